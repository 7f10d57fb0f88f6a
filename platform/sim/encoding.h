#pragma once
// Conversions between UTF-16 text and the narrow encodings the simulated Windows uses.
#include <cstdint>
#include <string>

namespace platform::sim {

// WideCharToMultiByte(codePage, 0, ...): a character the code page lacks becomes '?'.
// Code pages 936 (GBK), 1252 and 65001 are known.
std::string WideToCodePage(const std::wstring& text, std::uint32_t codePage);
// MultiByteToWideChar(codePage, 0, ...).
std::wstring CodePageToWide(const std::string& bytes, std::uint32_t codePage);

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace platform::sim
