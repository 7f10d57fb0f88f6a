#pragma once
// The simulated user interface: forms and controls held in memory, message timers driven by
// the world's clock, modal boxes answered by the test, a recorded notification-area icon.
//
// Time passes only through RunFor: due timers fire in order, each at most once per due time
// (an overdue timer fires once, late). Handlers run synchronously, as on the one UI thread;
// a handler that moves the clock (a backup that takes time) delays every other tick.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/clock.h"
#include "platform/ui.h"

namespace platform::sim {

class SimApplication;

// What the user does to a control (a click, typing) reaches it only while no modal box or
// picker is open: the program's windows are disabled meanwhile, as on Windows. What the
// program itself does to a control is never refused.
class SimControl : public virtual ui::Control {
 public:
  SimControl(SimApplication& app, const ui::ControlSpec& design);
  const std::wstring& Name() const override { return design.name; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  std::wstring Text() const override { return text_; }
  void SetText(const std::wstring& text) override { text_ = text; }

  const ui::ControlSpec design;

 protected:
  // Whether the user's input reaches the control now: enabled, and no modal box open.
  bool TakesUserInput() const;
  SimApplication& app_;
  bool enabled_;
  std::wstring text_;
};

class SimLabel : public SimControl {
 public:
  using SimControl::SimControl;
};

class SimEdit : public SimControl {
 public:
  using SimControl::SimControl;
};

class SimCheckBox : public SimControl, public ui::CheckBox {
 public:
  SimCheckBox(SimApplication& app, const ui::ControlSpec& design)
      : SimControl(app, design), checked_(design.checked) {}
  bool Checked() const override { return checked_; }
  void SetChecked(bool checked) override;
  // The user clicks the box (mouse or space bar): it toggles when it takes input.
  void UserClick();

 private:
  bool checked_;
};

class SimButton : public SimControl, public ui::Button {
 public:
  using SimControl::SimControl;
  // The user presses the button: nothing happens while it is disabled or a box is open.
  void UserClick();
};

class SimComboBox : public SimControl, public ui::ComboBox {
 public:
  using SimControl::SimControl;
  // The user types one character: the key-press handler may discard it; backspace removes
  // the last character; the text limit applies to the rest.
  void Type(wchar_t key);
  void TypeText(const std::wstring& keys);
  // The user picks an item of the list (no key-press handler runs). Typing and picking are
  // refused while a box is open.
  void PickItem(std::size_t index);
};

class SimWebBrowser : public SimControl, public ui::WebBrowser {
 public:
  using SimControl::SimControl;
  void Navigate(const std::wstring& address) override;
  std::vector<std::wstring> navigations;
  bool rejectNavigate = false;  // the control refuses the request
};

class SimTimer : public ui::Timer {
 public:
  SimTimer(SimApplication& app, std::uint32_t interval, bool enabled);
  ~SimTimer() override;
  std::uint32_t Interval() const override { return interval_; }
  void SetInterval(std::uint32_t milliseconds) override;
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override;
  // Virtual time of the next tick; nothing when disabled or of interval 0. An interval
  // above ui::kMaxTimerInterval counts as that maximum, as SetTimer takes it.
  std::optional<std::int64_t> NextDue() const;

 private:
  friend class SimApplication;
  void Restart();
  std::int64_t Period() const;  // the interval as the platform holds it
  SimApplication& app_;
  std::uint32_t interval_;
  bool enabled_;
  std::int64_t due_ = 0;
};

class SimForm : public ui::Form {
 public:
  SimForm(SimApplication& app, const ui::FormSpec& design);
  ~SimForm() override;
  ui::Control& Find(const std::wstring& name) override;
  std::wstring Caption() const override { return caption_; }
  void SetCaption(const std::wstring& caption) override { caption_ = caption; }
  bool Visible() const override { return visible_; }
  void Show() override;
  void Hide() override;
  // The sim draws no frame: the outer size is the client size of the layout.
  ui::Bounds GetBounds() const override { return bounds_; }
  void MoveTo(int left, int top) override;
  std::unique_ptr<ui::Timer> CreateTimer(std::uint32_t interval, bool enabled) override;

  // A close request (close button, Alt+F4, WM_CLOSE): hidden when the handler allows it.
  void RequestClose();
  // Windows asks whether the session may end (WM_QUERYENDSESSION); the answer.
  bool QueryEndSession();
  // The user presses the minimise button. For the main form the program is minimised as a
  // whole (see ui.h: the application window and the task bar). Refused while a box is open.
  void Minimize();
  template <class T>
  T& Sim(const std::wstring& name) {
    return dynamic_cast<T&>(Find(name));
  }

  const ui::FormSpec design;
  int showCount = 0;
  std::int64_t lastShownOrder = 0;  // stacking: higher is nearer the top

 private:
  SimApplication& app_;
  std::wstring caption_;
  bool visible_ = false;
  ui::Bounds bounds_;
  std::map<std::wstring, std::unique_ptr<SimControl>> controls_;
};

class SimTrayIcon : public ui::TrayIcon {
 public:
  SimTrayIcon(SimApplication& app, std::wstring tooltip, std::wstring exitCaption);
  ~SimTrayIcon() override;
  const std::wstring& Tooltip() const override { return tooltip_; }
  // The user's double click and menu choice; refused while a box is open, as the program's
  // windows are then disabled.
  void DoubleClick();
  void ChooseExit();
  const std::wstring exitCaption;

 private:
  SimApplication& app_;
  std::wstring tooltip_;
};

// One modal message box as the program showed it.
struct MessageBoxRecord {
  std::wstring text;
  std::wstring caption;
  std::uint32_t flags = 0;
  int answer = 0;
};

class SimApplication : public ui::Application {
 public:
  explicit SimApplication(Clock& clock) : clock_(clock) {}

  // --- ui::Application ---
  std::wstring Title() const override { return title_; }
  void SetTitle(const std::wstring& title) override { title_ = title; }
  std::unique_ptr<ui::Form> CreateForm(const ui::FormSpec& design) override;
  std::unique_ptr<ui::TrayIcon> CreateTrayIcon(ui::Form& owner, const std::wstring& tooltip,
                                               const std::wstring& exitCaption) override;
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                     std::uint32_t flags) override;
  std::optional<std::wstring> BrowseForFolder(const std::wstring& title) override;
  std::optional<std::wstring> PickFolder(const ui::FolderPickerOptions& options) override;
  void Initialize() override { ++initializeCalls; }
  ui::WorkArea PrimaryWorkArea() override { return workArea; }
  void HideApplicationWindow() override;
  void RunMessageLoop() override;
  void Terminate() override { terminated = true; }

  // --- the test's side ---
  // Lets `milliseconds` of virtual time pass with the message loop running.
  void RunFor(std::int64_t milliseconds);
  // Answers each box as it opens; may itself call RunFor (timers fire while a box is open).
  // Without one, every box is answered with its first button (OK or Yes).
  std::function<int(const MessageBoxRecord&)> answerBox;
  // Answers the folder picker: the chosen folder, or nothing for Cancel.
  std::function<std::optional<std::wstring>(const std::wstring& title)> answerFolderPicker;
  // What the message loop does until it returns (the test drives the program from here).
  std::function<void()> whileLooping;

  std::vector<MessageBoxRecord> boxes;
  std::vector<std::wstring> folderPickerTitles;
  std::vector<ui::FolderPickerOptions> folderPickers;  // every opening, with its options
  int initializeCalls = 0;
  std::vector<SimForm*> forms;
  std::vector<SimTrayIcon*> trayIcons;
  ui::WorkArea workArea{0, 0, 1920, 1040};
  // The application window: shown means the program has its task-bar button.
  bool applicationWindowVisible = false;
  bool applicationWindowRecordedVisible = false;  // the toolkit's record of it
  bool applicationMinimized = false;
  int hideApplicationWindowCalls = 0;
  bool TaskBarButton() const { return applicationWindowVisible; }
  // The user activates the task-bar button: a minimised program is restored.
  void ActivateTaskBarButton();
  SimForm* MainForm() const { return mainForm_; }
  bool terminated = false;
  int modalDepth = 0;  // boxes and pickers open right now
  // The program's windows take the user's input: no box or picker is open.
  bool TakesUserInput() const { return modalDepth == 0; }
  // Building a form with a web browser fails with this message (atl.dll, OLE or the
  // control missing); nothing of the form is left.
  std::optional<std::wstring> webBrowserFailure;

  SimForm* FindForm(const std::wstring& name);
  Clock& clock() { return clock_; }

 private:
  friend class SimTimer;
  friend class SimForm;
  friend class SimTrayIcon;
  Clock& clock_;
  std::wstring title_;
  std::vector<SimTimer*> timers_;
  std::int64_t stackingCounter_ = 0;
  SimForm* mainForm_ = nullptr;
  // The toolkit shows or hides the application window with the main form while its record
  // agrees with the real state.
  void FollowMainForm(bool visible);
};

}  // namespace platform::sim
