#pragma once
// Text to integer the way the settings and the window read numbers: optional leading
// blanks, an optional sign, then decimal digits, or hexadecimal digits after "$" or "0x";
// the whole text must be consumed and the number must fit in 32 bits.
#include <cstdint>
#include <optional>
#include <string>

namespace untComm {

std::optional<std::int32_t> TryStrToInt(const std::wstring& text);

// As TryStrToInt; raises EConvertError "'<text>' is not a valid integer value" on failure.
std::int32_t StrToInt(const std::wstring& text);

}  // namespace untComm
