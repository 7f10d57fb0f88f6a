#include "platform/win32/ui_application.h"

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>

#include "platform/error.h"
#include "platform/win32/ui_folder_picker.h"
#include "platform/win32/ui_form.h"
#include "platform/win32/ui_tray_icon.h"

namespace platform::win32 {

namespace {

constexpr wchar_t kApplicationWindowClass[] = L"TavrixApplication";

}  // namespace

Win32Application::Win32Application() {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
}

Win32Application::~Win32Application() = default;

void Win32Application::Initialize() {
  // S_FALSE (already initialised on this thread) is as good; a failure leaves COM to the
  // first call that needs it, which then reports it.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}

void Win32Application::SetTitle(const std::wstring& title) {
  title_ = title;
  if (Handle())
    SetWindowTextW(Handle(), title_.c_str());
}

HWND Win32Application::ApplicationWindow() {
  if (Handle())
    return Handle();
  RegisterWindowClass(kApplicationWindowClass, nullptr, nullptr);
  // Invisible by its size: a captioned pop-up of 0 x 0 in the middle of the screen whose
  // only visible part is its task-bar button.
  const int left = GetSystemMetrics(SM_CXSCREEN) / 2;
  const int top = GetSystemMetrics(SM_CYSCREEN) / 2;
  CreateMessageWindow(0, kApplicationWindowClass, title_,
                      WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                      RECT{left, top, left, top}, nullptr);
  bigIcon_ = LoadProgramIcon(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  smallIcon_ = LoadProgramIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
  SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  return Handle();
}

std::unique_ptr<ui::Form> Win32Application::CreateForm(const ui::FormSpec& design) {
  return std::make_unique<Win32Form>(*this, design);
}

std::unique_ptr<ui::TrayIcon> Win32Application::CreateTrayIcon(ui::Form&,
                                                               const std::wstring& tooltip,
                                                               const std::wstring& exitCaption) {
  return std::make_unique<Win32TrayIcon>(*this, tooltip, exitCaption);
}

int Win32Application::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                     std::uint32_t flags) {
  return ShowModalMessageBox(text, caption, flags);
}

std::optional<std::wstring> Win32Application::BrowseForFolder(const std::wstring& title) {
  return PickFolder(ui::FolderPickerOptions{title, L" ", L""});
}

std::optional<std::wstring> Win32Application::PickFolder(const ui::FolderPickerOptions& options) {
  HWND main = mainForm_ ? mainForm_->Handle() : nullptr;
  return ShowFolderPicker(options, ApplicationWindow(), main);
}

ui::WorkArea Win32Application::PrimaryWorkArea() {
  RECT area{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
    throw OsError(GetLastError(), L"Cannot read the work area of the primary display");
  return ui::WorkArea{area.left, area.top, area.right, area.bottom};
}

void Win32Application::HideApplicationWindow() {
  // Hidden behind the toolkit's back: its record of the window still says visible.
  SetWindowPos(ApplicationWindow(), HWND_TOP, 0, 0, 0, 0, SWP_HIDEWINDOW);
}

void Win32Application::RunMessageLoop() {
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1)
      return;
    if (!DispatchDialogMessage(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

void Win32Application::ProcessMessages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (!DispatchDialogMessage(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

bool Win32Application::DispatchDialogMessage(MSG& message) {
  if (!message.hwnd)
    return false;
  HWND root = GetAncestor(message.hwnd, GA_ROOT);
  const bool isForm = std::any_of(forms_.begin(), forms_.end(),
                                  [root](const Win32Form* form) { return form->Handle() == root; });
  // Tab, the arrow keys, Enter for the default button.
  return isForm && IsDialogMessageW(root, &message);
}

void Win32Application::Terminate() {
  PostQuitMessage(0);
}

void Win32Application::FormCreated(Win32Form& form) {
  forms_.push_back(&form);
  if (!mainForm_)
    mainForm_ = &form;
}

void Win32Application::FormDestroyed(Win32Form& form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), &form), forms_.end());
  if (mainForm_ == &form)
    mainForm_ = nullptr;
}

void Win32Application::FormShowing(Win32Form& form) {
  if (&form == mainForm_ && minimized_) {
    ShowWindow(ApplicationWindow(), SW_RESTORE);
    minimized_ = false;
  }
}

void Win32Application::FormVisibilityChanged(Win32Form& form) {
  if (&form == mainForm_)
    FollowMainForm(form.Visible());
}

void Win32Application::FollowMainForm(bool visible) {
  HWND window = ApplicationWindow();
  const bool real = IsWindowVisible(window) != 0;
  if (real != recordedVisible_)
    return;
  if (real != visible) {
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                     (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  }
  recordedVisible_ = visible;
}

void Win32Application::MinimizeForm(Win32Form& form) {
  if (&form != mainForm_) {
    ShowWindow(form.Handle(), SW_HIDE);
    return;
  }
  // The program is minimised as a whole: the main form goes, the application window shows
  // as a task-bar button, and record and state agree again.
  ShowWindow(form.Handle(), SW_HIDE);
  ShowWindow(ApplicationWindow(), SW_MINIMIZE);
  minimized_ = true;
  recordedVisible_ = true;
}

void Win32Application::RestoreProgram() {
  ShowWindow(ApplicationWindow(), SW_RESTORE);
  minimized_ = false;
  if (mainForm_)
    mainForm_->Show();
}

LRESULT Win32Application::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
          if (mainForm_)
            MinimizeForm(*mainForm_);
          return 0;
        case SC_RESTORE:
          // The task-bar button of the minimised program.
          if (IsIconic(window)) {
            RestoreProgram();
            return 0;
          }
          break;
        case SC_CLOSE:
          if (mainForm_)
            mainForm_->RequestClose();
          return 0;
      }
      break;
    case WM_CLOSE:
      // Never destroyed by a close request: it owns every form.
      if (mainForm_)
        mainForm_->RequestClose();
      return 0;
    case WM_QUERYENDSESSION:
      return !mainForm_ || mainForm_->QueryEndSession() ? TRUE : FALSE;
    case WM_SETFOCUS:
      // Activated through its task-bar button: the main form takes the focus.
      if (mainForm_ && mainForm_->Visible() && IsWindowEnabled(mainForm_->Handle())) {
        SetFocus(mainForm_->Handle());
        return 0;
      }
      break;
  }
  return MessageWindow::HandleMessage(window, message, wParam, lParam);
}

}  // namespace platform::win32
