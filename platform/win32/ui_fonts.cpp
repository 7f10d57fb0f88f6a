#include "platform/win32/ui_fonts.h"

#include "platform/error.h"
#include "platform/win32/ui_dpi.h"

namespace platform::win32 {

HFONT FontCache::Get(const ui::Font& font) {
  const auto key = std::make_tuple(font.face, font.pixelHeight, font.charset);
  auto found = fonts_.find(key);
  if (found != fonts_.end())
    return found->second.get();
  // A negative height asks for the character height (the cell height without internal
  // leading), which is how the layout gives its font sizes.
  HFONT created =
      CreateFontW(-ScaleToDpi(font.pixelHeight, dpi_), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                  static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.face.c_str());
  if (!created)
    throw OsError(GetLastError(), L"Cannot create the font " + font.face);
  return fonts_.emplace(key, UniqueFont(created)).first->second.get();
}

SIZE MeasureText(HWND window, HFONT font, const std::wstring& text) {
  SIZE size{0, 0};
  HDC dc = GetDC(window);
  if (!dc)
    return size;
  HGDIOBJ previous = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  if (GetTextMetricsW(dc, &metrics))
    size.cy = metrics.tmHeight;
  SIZE extent{0, 0};
  if (!text.empty() &&
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent)) {
    size.cx = extent.cx;
  }
  SelectObject(dc, previous);
  ReleaseDC(window, dc);
  return size;
}

}  // namespace platform::win32
