#pragma once
// Dots per inch of a window, and the scaling of layout values given at 96 DPI.
#include <windows.h>

namespace platform::win32 {

inline constexpr UINT kDesignDpi = 96;

// GetDpiForWindow where user32 has it (Windows 10 1607 and later), else the system DPI.
UINT WindowDpi(HWND window);
// The system DPI: GetDpiForSystem where available, else LOGPIXELSY of the screen.
UINT SystemDpi();

// A length at 96 DPI as pixels at `dpi`, rounded as MulDiv rounds.
int ScaleToDpi(int value, UINT dpi);

// The outer rectangle of a window with the given client size at `dpi`
// (AdjustWindowRectExForDpi where available, else AdjustWindowRectEx).
SIZE OuterSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi);

}  // namespace platform::win32
