#include "platform/win32/ui_window.h"

#include <exception>
#include <set>

#include "platform/error.h"
#include "platform/services.h"

namespace platform::win32 {

HINSTANCE ProgramInstance() {
  return GetModuleHandleW(nullptr);
}

UniqueIcon LoadProgramIcon(int width, int height) {
  HICON icon = static_cast<HICON>(
      LoadImageW(ProgramInstance(), L"MAINICON", IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
  if (icon)
    return UniqueIcon(icon, true);
  return UniqueIcon(LoadIconW(nullptr, IDI_APPLICATION), false);
}

void RunEventHandler(const std::function<void()>& handler) {
  if (!handler)
    return;
  std::wstring message;
  try {
    handler();
    return;
  } catch (const Exception& e) {
    message = e.Message();
  } catch (const std::exception& e) {
    const std::string what = e.what();
    message.assign(what.begin(), what.end());
  } catch (...) {
    message = L"Unknown error";
  }
  // The core reports its own errors; this only catches what slipped past it.
  ui::Application* app = Current().ui;
  const std::wstring caption = app ? app->Title() : std::wstring();
  ShowModalMessageBox(message, caption, MB_OK | MB_ICONERROR);
}

int ShowModalMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags) {
  return MessageBoxW(nullptr, text.c_str(), caption.c_str(), flags | MB_TASKMODAL);
}

MessageWindow::~MessageWindow() {
  window_.reset();
}

void MessageWindow::RegisterWindowClass(const std::wstring& className, HBRUSH background,
                                        HICON icon) {
  static std::set<std::wstring> registered;
  if (registered.count(className))
    return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = ProgramInstance();
  windowClass.hIcon = icon;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = className.c_str();
  if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw OsError(GetLastError(), L"Cannot register the window class " + className);
  registered.insert(className);
}

void MessageWindow::CreateMessageWindow(DWORD exStyle, const std::wstring& className,
                                        const std::wstring& text, DWORD style, const RECT& bounds,
                                        HWND parentOrOwner) {
  HWND window = CreateWindowExW(exStyle, className.c_str(), text.c_str(), style, bounds.left,
                                bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                                parentOrOwner, nullptr, ProgramInstance(), this);
  if (!window)
    throw OsError(GetLastError(), L"Cannot create a window of the class " + className);
  window_.reset(window);
}

LRESULT MessageWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK MessageWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self)
    return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // The window is gone (destroyed by its owner or parent, or by us): forget it.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    const LRESULT result = self->HandleMessage(window, message, wParam, lParam);
    if (self->window_.get() == window)
      self->window_.release();
    return result;
  }
  return self->HandleMessage(window, message, wParam, lParam);
}

}  // namespace platform::win32
