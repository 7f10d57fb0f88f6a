#pragma once
// The application object: the program's title, its hidden top-level application window
// (owner of every form and bearer of the one task-bar button), the forms, message boxes,
// the folder picker and the message loop.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/ui_window.h"

namespace platform::win32 {

class Win32Form;

class Win32Application : public ui::Application, private MessageWindow {
 public:
  Win32Application();
  ~Win32Application() override;

  std::wstring Title() const override { return title_; }
  // Also the text of the application window, which is the task-bar button's label.
  void SetTitle(const std::wstring& title) override;
  std::unique_ptr<ui::Form> CreateForm(const ui::FormSpec& design) override;
  std::unique_ptr<ui::TrayIcon> CreateTrayIcon(ui::Form& owner, const std::wstring& tooltip,
                                               const std::wstring& exitCaption) override;
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                     std::uint32_t flags) override;
  std::optional<std::wstring> BrowseForFolder(const std::wstring& title) override;
  std::optional<std::wstring> PickFolder(const ui::FolderPickerOptions& options) override;
  // CoInitializeEx apartment-threaded, kept until the process ends.
  void Initialize() override;
  ui::WorkArea PrimaryWorkArea() override;
  void HideApplicationWindow() override;
  // GetMessageW until WM_QUIT; keys of a form go through IsDialogMessageW first.
  void RunMessageLoop() override;
  // PostQuitMessage(0).
  void Terminate() override;

  // --- for the forms and the notification-area icon ---
  // The application window, made on first use (a second instance never makes one).
  HWND ApplicationWindow();
  Win32Form* MainForm() const { return mainForm_; }
  bool Minimized() const { return minimized_; }
  // Runs the messages that are waiting, and returns (a WM_QUIT is left for the loop).
  void ProcessMessages();

  void FormCreated(Win32Form& form);
  void FormDestroyed(Win32Form& form);
  // Before a form is shown: the main form of a minimised program restores the program.
  void FormShowing(Win32Form& form);
  // After a form was shown or hidden: the application window follows the main form.
  void FormVisibilityChanged(Win32Form& form);
  // The minimise button of a form: for the main form the whole program is minimised.
  void MinimizeForm(Win32Form& form);

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  bool DispatchDialogMessage(MSG& message);
  // The application window is shown or hidden with the main form while the record of its
  // visibility matches the real state; HideApplicationWindow leaves the record behind.
  void FollowMainForm(bool visible);
  void RestoreProgram();

  std::wstring title_;
  std::vector<Win32Form*> forms_;
  Win32Form* mainForm_ = nullptr;
  bool recordedVisible_ = false;
  bool minimized_ = false;
  UniqueIcon bigIcon_;
  UniqueIcon smallIcon_;
};

}  // namespace platform::win32
