#pragma once
// Turning fuzz bytes into Windows text, and stopping on a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

// One UTF-16 code unit per character, as Windows holds text. Each byte is that character,
// so ASCII inputs stay readable, except 0xF0, which takes the next two bytes as any 16-bit
// unit (CJK, blanks of other scripts, lone surrogates).
inline std::wstring WideText(const std::string& bytes) {
  std::wstring text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b == 0xF0 && i + 2 < bytes.size()) {
      const auto low = static_cast<unsigned char>(bytes[i + 1]);
      const auto high = static_cast<unsigned char>(bytes[i + 2]);
      text += static_cast<wchar_t>(low | high << 8);
      i += 2;
    } else {
      text += static_cast<wchar_t>(b);
    }
  }
  return text;
}

inline std::string Printable(const std::wstring& text) {
  std::string out;
  char buffer[12];
  for (wchar_t c : text) {
    if (c >= 0x20 && c < 0x7F && c != L'\\') {
      out += static_cast<char>(c);
    } else {
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  return out;
}

// A finding: say what disagreed and stop, so libFuzzer keeps the input.
[[noreturn]] inline void Finding(const char* what, const std::wstring& input,
                                 const std::wstring& detail = L"") {
  std::fprintf(stderr, "FINDING: %s\n  input: \"%s\"\n  detail: \"%s\"\n", what,
               Printable(input).c_str(), Printable(detail).c_str());
  std::abort();
}

}  // namespace fuzz
