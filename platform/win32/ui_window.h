#pragma once
// The base of the program's own windows: one registered class per kind of window, and a
// window procedure that hands every message to the C++ object that created the window.
#include <windows.h>

#include <functional>
#include <string>

#include "platform/win32/window_handles.h"

namespace platform::win32 {

// The module whose resources the windows use (the executable).
HINSTANCE ProgramInstance();

// The program's icon (resource "MAINICON") at the given size, or the system's application
// icon when the executable has none.
UniqueIcon LoadProgramIcon(int width, int height);

// The one way the program shows a message box: MessageBoxW without an owner, so the system
// centres it on the screen, and task-modal, so every top-level window of the thread (the
// forms, the application window, the icon's window) is disabled while it is open and
// enabled again when it closes: a click queued behind the box cannot start a second action.
// The box's own message loop goes on delivering the forms' timer ticks. The result is the
// button id, or 0 when the system could not show the box (there is no other way left to
// tell the user, and 0 is no Yes).
int ShowModalMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);

// Runs an event handler of the core. An exception must not unwind through the window
// procedures of the system, so one that escapes is shown here in an error box.
void RunEventHandler(const std::function<void()>& handler);

class MessageWindow {
 public:
  MessageWindow() = default;
  virtual ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  HWND Handle() const { return window_.get(); }

 protected:
  // Registers a window class of this kind once per process; the class's procedure routes
  // messages to HandleMessage of the object given to CreateMessageWindow.
  static void RegisterWindowClass(const std::wstring& className, HBRUSH background, HICON icon);
  // CreateWindowExW with this object as the receiver of the window's messages; raises OsError
  // when the window cannot be created.
  void CreateMessageWindow(DWORD exStyle, const std::wstring& className, const std::wstring& text,
                           DWORD style, const RECT& bounds, HWND parentOrOwner);
  // Destroys the window now (its children with it).
  void DestroyMessageWindow() { window_.reset(); }

  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  UniqueWindow window_;
};

}  // namespace platform::win32
