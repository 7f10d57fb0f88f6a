#pragma once
// A small reader of OLE DB connection strings, written from their rules for the fuzz
// targets: pairs "key=value" separated by semicolons; blanks around keys and values do not
// count; "==" in a key stands for "="; a value may be enclosed in double quotes or
// apostrophes, the enclosing mark doubled inside, and must be when it holds a semicolon,
// starts with a quote mark or has blanks at either end.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fuzz {

// Blanks as a connection-string reader may trim them: control characters, the space, and
// the other white space of Unicode.
inline bool ConnectionBlank(wchar_t c) {
  return c <= 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
         c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

using Properties = std::vector<std::pair<std::wstring, std::wstring>>;

inline std::optional<Properties> ReadConnectionString(const std::wstring& text) {
  Properties properties;
  std::size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && ConnectionBlank(text[i]))
      ++i;
  };
  auto trimEnd = [](std::wstring s) {
    while (!s.empty() && ConnectionBlank(s.back()))
      s.pop_back();
    return s;
  };
  for (;;) {
    skipBlanks();
    if (i < text.size() && text[i] == L';') {
      ++i;
      continue;
    }
    if (i >= text.size())
      return properties;
    std::wstring key;
    for (;; ++i) {
      if (i >= text.size())
        return std::nullopt;  // a key without "="
      if (text[i] == L'=' && i + 1 < text.size() && text[i + 1] == L'=') {
        key += L'=';
        ++i;
      } else if (text[i] == L'=') {
        ++i;
        break;
      } else {
        key += text[i];
      }
    }
    key = trimEnd(key);
    if (key.empty())
      return std::nullopt;
    skipBlanks();
    std::wstring value;
    if (i < text.size() && (text[i] == L'"' || text[i] == L'\'')) {
      const wchar_t quote = text[i++];
      for (;; ++i) {
        if (i >= text.size())
          return std::nullopt;  // no closing mark
        if (text[i] != quote) {
          value += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == quote) {
          value += quote;
          ++i;
        } else {
          ++i;
          break;
        }
      }
      skipBlanks();
      if (i < text.size() && text[i] != L';')
        return std::nullopt;  // text after the closing mark
    } else {
      while (i < text.size() && text[i] != L';')
        value += text[i++];
      value = trimEnd(value);
    }
    properties.emplace_back(key, value);
  }
}

}  // namespace fuzz
