#include "platform/win32/ui_dpi.h"

namespace platform::win32 {

namespace {

// Functions of newer Windows versions, looked up at run time so that the program also
// starts where they are missing.
template <class Function>
Function User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                : nullptr;
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForSystemFunction = UINT(WINAPI*)();
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

}  // namespace

UINT SystemDpi() {
  static const auto getDpiForSystem = User32Function<GetDpiForSystemFunction>("GetDpiForSystem");
  if (getDpiForSystem) {
    const UINT dpi = getDpiForSystem();
    if (dpi)
      return dpi;
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen)
    ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

UINT WindowDpi(HWND window) {
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (getDpiForWindow && window) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi)
      return dpi;
  }
  return SystemDpi();
}

int ScaleToDpi(int value, UINT dpi) {
  return MulDiv(value, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) {
  static const auto adjustForDpi =
      User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, clientWidth, clientHeight};
  const BOOL adjusted = adjustForDpi ? adjustForDpi(&rect, style, FALSE, exStyle, dpi)
                                     : AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  if (!adjusted)
    return SIZE{clientWidth, clientHeight};
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace platform::win32
