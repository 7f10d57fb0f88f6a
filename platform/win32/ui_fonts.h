#pragma once
// The fonts of one window at its DPI, created once per face, height and character set.
#include <windows.h>

#include <map>
#include <string>
#include <tuple>

#include "platform/ui.h"
#include "platform/win32/window_handles.h"

namespace platform::win32 {

class FontCache {
 public:
  explicit FontCache(UINT dpi) : dpi_(dpi) {}
  // The font with a character height of font.pixelHeight at 96 DPI, scaled to the DPI;
  // raises OsError when GDI cannot make it.
  HFONT Get(const ui::Font& font);
  UINT Dpi() const { return dpi_; }

 private:
  UINT dpi_;
  std::map<std::tuple<std::wstring, int, int>, UniqueFont> fonts_;
};

// Width and height of one line of text in a font (GetTextExtentPoint32W, tmHeight).
SIZE MeasureText(HWND window, HFONT font, const std::wstring& text);

}  // namespace platform::win32
