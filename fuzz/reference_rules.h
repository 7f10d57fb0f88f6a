#pragma once
// The rules of reading numbers and flags, written again from their description alone, for
// the fuzz targets to hold the program's own conversion against.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

namespace fuzz {

// Leading blanks (code 32), one optional sign, then decimal digits, or hexadecimal digits
// after "$" or "0x" (either case of x); nothing may follow the digits. Decimal must lie in
// -2147483648..2147483647; hexadecimal may use all 32 bits and is taken as their signed
// pattern (so $FFFFFFFF is -1), the sign applied to that pattern.
inline std::optional<std::int32_t> ReferenceInteger(const std::wstring& text) {
  std::size_t i = text.find_first_not_of(L' ');
  if (i == std::wstring::npos)
    return std::nullopt;
  const bool minus = text[i] == L'-';
  if (text[i] == L'-' || text[i] == L'+')
    ++i;
  unsigned base = 10;
  if (text.compare(i, 1, L"$") == 0) {
    base = 16;
    i += 1;
  } else if (text.compare(i, 2, L"0x") == 0 || text.compare(i, 2, L"0X") == 0) {
    base = 16;
    i += 2;
  }
  std::wstring digits = text.substr(i);
  if (digits.empty())
    return std::nullopt;
  for (wchar_t c : digits) {
    const bool decimal = c >= L'0' && c <= L'9';
    const bool hex = (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
    if (!decimal && !(base == 16 && hex))
      return std::nullopt;
  }
  // Without leading zeros a number that fits has at most 10 decimal or 8 hexadecimal digits.
  digits.erase(0, std::min(digits.find_first_not_of(L'0'), digits.size() - 1));
  if (digits.size() > (base == 10 ? 10u : 8u))
    return std::nullopt;
  std::uint64_t magnitude =
      std::stoull(std::string(digits.begin(), digits.end()), nullptr, static_cast<int>(base));
  if (base == 10) {
    if (magnitude > (minus ? 2147483648ull : 2147483647ull))
      return std::nullopt;
    return static_cast<std::int32_t>(minus ? -static_cast<std::int64_t>(magnitude)
                                           : static_cast<std::int64_t>(magnitude));
  }
  std::uint32_t pattern = static_cast<std::uint32_t>(magnitude);
  if (minus)
    pattern = ~pattern + 1u;
  return static_cast<std::int32_t>(pattern);
}

// A flag: the key's text (empty when missing), "0x" at the start of a text longer than two
// characters read as "$", then true for a number other than 0, the default when no number.
inline bool ReferenceFlag(std::wstring text, bool defaultValue) {
  if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X'))
    text = L"$" + text.substr(2);
  const auto number = ReferenceInteger(text);
  return number ? *number != 0 : defaultValue;
}

}  // namespace fuzz
