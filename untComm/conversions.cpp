#include "untComm/conversions.h"

#include "untComm/exceptions.h"

namespace untComm {

namespace {

int DigitValue(wchar_t c, int base) {
  int value = -1;
  if (c >= L'0' && c <= L'9')
    value = c - L'0';
  if (c >= L'a' && c <= L'f')
    value = c - L'a' + 10;
  if (c >= L'A' && c <= L'F')
    value = c - L'A' + 10;
  return value < base ? value : -1;
}

}  // namespace

std::optional<std::int32_t> TryStrToInt(const std::wstring& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == L' ')
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && text[i] == L'$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == L'0' &&
             (text[i + 1] == L'x' || text[i + 1] == L'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size())
    return std::nullopt;

  // Decimal must fit a signed 32-bit value; hexadecimal may use all 32 bits (so $FFFFFFFF
  // is -1), as the runtime's own conversion does.
  const std::uint64_t limit =
      base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0)
      return std::nullopt;
    value = value * base + static_cast<std::uint64_t>(digit);
    if (value > limit)
      return std::nullopt;
  }
  const auto bits = static_cast<std::uint32_t>(value);
  const auto result = static_cast<std::int32_t>(negative ? 0u - bits : bits);
  return result;
}

std::int32_t StrToInt(const std::wstring& text) {
  if (auto value = TryStrToInt(text))
    return *value;
  throw EConvertError(L"'" + text + L"' is not a valid integer value");
}

}  // namespace untComm
