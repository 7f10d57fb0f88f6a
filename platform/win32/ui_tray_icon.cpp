#include "platform/win32/ui_tray_icon.h"

#include <shellapi.h>

#include <cwchar>

#include "platform/error.h"
#include "platform/win32/ui_application.h"

namespace platform::win32 {

namespace {

constexpr UINT kExitItemId = 1;
constexpr std::size_t kTooltipLength = 127;

}  // namespace

Win32TrayIcon::Win32TrayIcon(Win32Application& app, const std::wstring& tooltip,
                             const std::wstring& exitCaption)
    : app_(app),
      tooltip_(tooltip.substr(0, kTooltipLength)),
      taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")) {
  RegisterWindowClass(kTrayWindowClass, nullptr, nullptr);
  CreateMessageWindow(0, kTrayWindowClass, L"", WS_POPUP, RECT{0, 0, 0, 0}, nullptr);
  icon_ = LoadProgramIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
  menu_.reset(CreatePopupMenu());
  if (!menu_ || !AppendMenuW(menu_.get(), MF_STRING, kExitItemId, exitCaption.c_str()))
    throw OsError(GetLastError(), L"Cannot make the menu of the notification-area icon");
  // Without a notification area (no shell yet) the icon comes with "TaskbarCreated".
  Add();
}

Win32TrayIcon::~Win32TrayIcon() {
  NOTIFYICONDATAW data = IconData();
  Shell_NotifyIconW(NIM_DELETE, &data);
}

NOTIFYICONDATAW Win32TrayIcon::IconData() const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = Handle();
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = icon_.get();
  wcsncpy(data.szTip, tooltip_.c_str(), kTooltipLength);
  return data;
}

bool Win32TrayIcon::Add() {
  NOTIFYICONDATAW data = IconData();
  return Shell_NotifyIconW(NIM_ADD, &data) || Shell_NotifyIconW(NIM_MODIFY, &data);
}

void Win32TrayIcon::OpenMenu() {
  // The menu closes when the user clicks elsewhere only if the program is in the
  // foreground; let the activation's messages run before it opens.
  HWND owner = app_.ApplicationWindow();
  SetForegroundWindow(owner);
  app_.ProcessMessages();
  POINT cursor{};
  GetCursorPos(&cursor);
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(menu_.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                     cursor.x, cursor.y, 0, owner, nullptr));
  PostMessageW(owner, WM_NULL, 0, 0);
  if (chosen == kExitItemId)
    RunEventHandler(OnExitItem);
}

LRESULT Win32TrayIcon::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kTrayCallbackMessage) {
    // While a message box or the folder picker is open every window of the program is
    // disabled, but the shell goes on posting the icon's mouse messages: they would show a
    // window that takes no input or open a second exit confirmation behind the first.
    if (!IsWindowEnabled(window))
      return 0;
    switch (LOWORD(lParam)) {
      case WM_RBUTTONUP:
        OpenMenu();
        break;
      case WM_LBUTTONDBLCLK:
      case WM_MBUTTONDBLCLK:
      case WM_RBUTTONDBLCLK:
        RunEventHandler(OnDblClick);
        break;
    }
    return 0;
  }
  if (message == taskbarCreated_ && taskbarCreated_ != 0) {
    Add();
    return 0;
  }
  return MessageWindow::HandleMessage(window, message, wParam, lParam);
}

}  // namespace platform::win32
