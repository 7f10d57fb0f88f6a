#pragma once
// The notification-area icon: Shell_NotifyIconW on behalf of a hidden top-level window of
// its own (never a message-only window, which the shell's broadcasts do not reach).
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/ui.h"
#include "platform/win32/ui_window.h"

namespace platform::win32 {

class Win32Application;

// What the shell sends the icon's window: the callback message, whose lParam is the mouse
// message (WM_RBUTTONUP, WM_LBUTTONDBLCLK, ...), to the window of this class.
inline constexpr UINT kTrayCallbackMessage = WM_APP + 1;
inline constexpr wchar_t kTrayWindowClass[] = L"TavrixTrayIcon";
inline constexpr UINT kTrayIconId = 1;

class Win32TrayIcon : public ui::TrayIcon, private MessageWindow {
 public:
  // Adds the icon with the program's icon and the tooltip (copied once, at most 127
  // characters); the menu has the one item `exitCaption`.
  Win32TrayIcon(Win32Application& app, const std::wstring& tooltip,
                const std::wstring& exitCaption);
  // Removes the icon.
  ~Win32TrayIcon() override;

  const std::wstring& Tooltip() const override { return tooltip_; }
  HWND Window() const { return Handle(); }

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  NOTIFYICONDATAW IconData() const;
  // NIM_ADD; NIM_MODIFY when the shell still has the icon.
  bool Add();
  void OpenMenu();

  Win32Application& app_;
  std::wstring tooltip_;
  UINT taskbarCreated_;
  UniqueIcon icon_;
  UniqueMenu menu_;
};

}  // namespace platform::win32
