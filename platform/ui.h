#pragma once
// User-interface services: the application object, forms built from a layout table,
// standard controls, message timers, the notification-area icon, message boxes, the
// folder picker and the embedded web browser.
//
// Event handlers are std::function members that the core sets and the platform calls.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

struct Font {
  std::wstring face;
  int pixelHeight = 0;  // character height at 96 DPI
  int charset = 1;      // DEFAULT_CHARSET; 134 is GB2312_CHARSET
};

inline constexpr int kGb2312Charset = 134;

enum class Kind { GroupBox, Label, Edit, CheckBox, ComboBox, DropDownList, Button, WebBrowser };

// One control of a layout table. Positions and sizes are pixels at 96 DPI, relative to the
// client area of the parent (the form when `parent` is empty).
struct ControlSpec {
  std::wstring name;
  Kind kind = Kind::Label;
  int left = 0, top = 0, width = 0, height = 0;
  std::wstring text;
  std::wstring parent;
  int tabOrder = -1;  // -1: takes no focus
  bool enabled = true;
  bool checked = false;
  bool password = false;          // Edit: characters shown as '*'
  bool autoSize = false;          // Label: size follows the text
  bool centerVertically = false;  // Label: one line of text centred in the label's height
  bool defaultButton = false;     // Button: Enter activates it while enabled
  bool alignClient = false;       // fills the parent's client area
  int maxLength = 0;              // Edit/ComboBox: characters the user may type, 0 = no limit
  std::vector<std::wstring> items;
  int selectedItem = -1;
  std::optional<Font> font;                 // otherwise the parent's
  std::optional<std::uint32_t> background;  // 0x00BBGGRR; otherwise the system colour
  std::wstring hint;                        // tooltip
  bool handCursor = false;
};

enum class Border { FixedSingle, None };

// Controls later in `controls` lie on top of earlier ones where they overlap.
struct FormSpec {
  std::wstring name;
  int clientWidth = 0, clientHeight = 0;  // 96 DPI
  Border border = Border::FixedSingle;
  Font font;
  bool showHints = false;
  std::vector<ControlSpec> controls;
};

class Control {
 public:
  virtual ~Control() = default;
  virtual const std::wstring& Name() const = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual std::wstring Text() const = 0;
  virtual void SetText(const std::wstring& text) = 0;
};

class CheckBox : public virtual Control {
 public:
  virtual bool Checked() const = 0;
  // Runs OnClick when, and only when, the state changes.
  virtual void SetChecked(bool checked) = 0;
  std::function<void()> OnClick;
};

class Button : public virtual Control {
 public:
  std::function<void()> OnClick;
};

class ComboBox : public virtual Control {
 public:
  // Each typed character before the field takes it; setting the key to 0 discards it.
  std::function<void(wchar_t& key)> OnKeyPress;
};

class WebBrowser : public virtual Control {
 public:
  // Starts loading the address; raises Exception when the control rejects the request.
  virtual void Navigate(const std::wstring& address) = 0;
};

class Timer {
 public:
  virtual ~Timer() = default;
  virtual std::uint32_t Interval() const = 0;
  // A different interval restarts the count; the same interval changes nothing.
  virtual void SetInterval(std::uint32_t milliseconds) = 0;
  virtual bool Enabled() const = 0;
  // Enabling a running timer does not restart its count.
  virtual void SetEnabled(bool enabled) = 0;
  std::function<void()> OnTimer;
};

// The longest interval a message timer holds (USER_TIMER_MAXIMUM); SetTimer takes a longer
// one as this. An interval of 0 means the timer never fires. Callers that need longer
// periods count shorter ticks.
inline constexpr std::uint32_t kMaxTimerInterval = 0x7FFFFFFF;

// A window's outer rectangle in screen pixels.
struct Bounds {
  int left = 0, top = 0, width = 0, height = 0;
};

class Form {
 public:
  virtual ~Form() = default;
  virtual Control& Find(const std::wstring& name) = 0;
  template <class T>
  T& Get(const std::wstring& name) {
    return dynamic_cast<T&>(Find(name));
  }
  virtual std::wstring Caption() const = 0;
  virtual void SetCaption(const std::wstring& caption) = 0;
  virtual bool Visible() const = 0;
  // Show: visible and brought to the top of the window order.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  // Where the window is and its outer size (equal to the client size without a border).
  virtual Bounds GetBounds() const = 0;
  // Moves the window's top-left corner to a screen position; the size stays.
  virtual void MoveTo(int left, int top) = 0;
  // A message timer of this form.
  virtual std::unique_ptr<Timer> CreateTimer(std::uint32_t interval, bool enabled) = 0;
  // Every close request of the window; leave canClose true to let it close.
  std::function<void(bool& canClose)> OnCloseQuery;
  // WM_QUERYENDSESSION: Windows asks whether the session may end (shut-down, log-off). This
  // is not a close request and does not run OnCloseQuery. Leave canEnd true to let the
  // session end; without a handler the answer is yes.
  std::function<void(bool& canEnd)> OnQueryEndSession;
};

class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  virtual const std::wstring& Tooltip() const = 0;
  std::function<void()> OnDblClick;
  std::function<void()> OnExitItem;  // the menu's one item
};

inline constexpr int kIdOk = 1;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbYesNo = 0x4;
inline constexpr std::uint32_t kMbIconError = 0x10;
inline constexpr std::uint32_t kMbIconQuestion = 0x20;

struct WorkArea {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// What the folder picker is opened with.
struct FolderPickerOptions {
  std::wstring title;          // the text above the tree
  std::wstring root;           // parsed by the desktop folder as the tree's root; empty: desktop
  std::wstring initialFolder;  // preselected when not empty
};

// The application window and the task bar. The application window is the toolkit's hidden
// top-level window: it owns every form, so no form has a task-bar button of its own, and it
// carries the program's one button. The first form created is the main form:
// - Showing or hiding the main form shows or hides the application window with it, but only
//   while the toolkit's record of the application window's visibility matches its real
//   state. HideApplicationWindow hides it without updating that record, so afterwards the
//   button stays away whatever the main form does.
// - Minimising the main form minimises the program as a whole: the main form disappears,
//   the application window is shown minimised with its button (record and state agree
//   again); activating the button restores the main form.

class Application {
 public:
  virtual ~Application() = default;
  virtual std::wstring Title() const = 0;
  virtual void SetTitle(const std::wstring& title) = 0;
  virtual std::unique_ptr<Form> CreateForm(const FormSpec& design) = 0;
  // The notification-area icon with the program's icon, tooltip copied once.
  virtual std::unique_ptr<TrayIcon> CreateTrayIcon(Form& owner, const std::wstring& tooltip,
                                                   const std::wstring& exitCaption) = 0;
  // A message box (MessageBoxW) with no owner window, centred on the screen and modal to the
  // whole program: none of the program's windows takes input while it is open, and timer
  // ticks are still delivered. The result is the button id.
  virtual int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                             std::uint32_t flags) = 0;
  // The folder picker; the chosen path, or nothing when cancelled or unavailable.
  virtual std::optional<std::wstring> BrowseForFolder(const std::wstring& title) = 0;
  virtual WorkArea PrimaryWorkArea() = 0;
  // SetWindowPos(application window, HWND_TOP, 0, 0, 0, 0, SWP_HIDEWINDOW).
  virtual void HideApplicationWindow() = 0;
  virtual void RunMessageLoop() = 0;
  virtual void Terminate() = 0;

  // --- Added for the program entry and the main window. The defaults keep existing
  // implementations building; the Win32 application overrides every one of them. ---

  // The first step of the program: Win32 initialises COM apartment-threaded on the UI
  // thread (CoInitializeEx, COINIT_APARTMENTTHREADED) for the database access and the
  // browser control, kept until the process ends. Creates no window.
  virtual void Initialize() {}
  // The folder picker as a modal dialog over the whole program (owned by the application
  // window, every window of the program disabled while it is open). Win32: SHBrowseForFolderW
  // with BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON (0x241), the root
  // parsed with SHGetDesktopFolder/ParseDisplayName, a display-name buffer of 260 units from
  // SHGetMalloc, centred on the monitor nearest the main form on BFFM_INITIALIZED
  // (SWP_NOSIZE | SWP_NOZORDER), BFFM_SETSELECTIONW only when initialFolder is not empty.
  // The chosen path (SHGetPathFromIDListW), or nothing when cancelled or unavailable. The
  // caller suppresses critical-error boxes around the call (System::SetErrorMode); doing it
  // here as well is harmless.
  virtual std::optional<std::wstring> PickFolder(const FolderPickerOptions& options) {
    return BrowseForFolder(options.title);
  }
};

}  // namespace platform::ui
