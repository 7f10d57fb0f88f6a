#include "platform/sim/profile.h"

#include <cwctype>

#include "platform/sim/encoding.h"

namespace platform::sim {

namespace {

constexpr std::size_t kBufferUnits = 2048;

std::wstring Trim(const std::wstring& text) {
  const auto first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos)
    return {};
  const auto last = text.find_last_not_of(L" \t\r");
  return text.substr(first, last - first + 1);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::towupper(a[i]) != std::towupper(b[i]))
      return false;
  }
  return true;
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::wstring line;
  for (wchar_t c : text) {
    if (c == L'\n') {
      if (!line.empty() && line.back() == L'\r')
        line.pop_back();
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty())
    lines.push_back(line);
  return lines;
}

// "[name]" -> name; empty when the line is no section header.
std::optional<std::wstring> SectionName(const std::wstring& line) {
  const std::wstring t = Trim(line);
  if (t.size() < 2 || t.front() != L'[')
    return std::nullopt;
  const auto close = t.find(L']');
  if (close == std::wstring::npos)
    return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

// The key of a "key=value" line, and its value with blanks and one pair of quotes removed.
bool SplitEntry(const std::wstring& line, std::wstring& key, std::wstring& value) {
  const auto eq = line.find(L'=');
  if (eq == std::wstring::npos)
    return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return true;
}

}  // namespace

std::string EncodeUtf16File(const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) {
    const auto u = static_cast<std::uint32_t>(c);
    auto unit = [&](std::uint32_t v) {
      bytes += static_cast<char>(v & 0xFF);
      bytes += static_cast<char>((v >> 8) & 0xFF);
    };
    if (u >= 0x10000) {
      unit(0xD800 + ((u - 0x10000) >> 10));
      unit(0xDC00 + ((u - 0x10000) & 0x3FF));
    } else {
      unit(u);
    }
  }
  return bytes;
}

std::wstring DecodeTextFile(const std::string& bytes, std::uint32_t ansiCodePage) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const auto unit = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) |
                                                   static_cast<unsigned char>(bytes[i + 1]) << 8);
      if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
        const auto low = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 2]) |
                                                    static_cast<unsigned char>(bytes[i + 3]) << 8);
        text += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
      } else {
        text += static_cast<wchar_t>(unit);
      }
    }
    return text;
  }
  return CodePageToWide(bytes, ansiCodePage);
}

std::vector<std::wstring> SimProfile::Lines(const std::wstring& file) const {
  const auto bytes = files_.ReadAll(file);
  return bytes ? SplitLines(DecodeTextFile(*bytes, system_.codePage)) : std::vector<std::wstring>{};
}

std::wstring SimProfile::ReadString(const std::wstring& file, const std::wstring& section,
                                    const std::wstring& key, const std::wstring& defaultValue) {
  bool inSection = false;
  for (const std::wstring& line : Lines(file)) {
    if (auto name = SectionName(line)) {
      inSection = SameName(*name, section);
      continue;
    }
    std::wstring k, value;
    if (inSection && SplitEntry(line, k, value) && SameName(k, key)) {
      return value.substr(0, kBufferUnits - 1);
    }
  }
  return defaultValue.substr(0, kBufferUnits - 1);
}

bool SimProfile::WriteString(const std::wstring& file, const std::wstring& section,
                             const std::wstring& key, const std::wstring& value) {
  const auto existing = files_.ReadAll(file);
  const bool unicode =
      !existing || (existing->size() >= 2 && static_cast<unsigned char>((*existing)[0]) == 0xFF &&
                    static_cast<unsigned char>((*existing)[1]) == 0xFE);
  std::vector<std::wstring> lines = Lines(file);

  // Replace the key in its section, or add it at the section's end, or add the section.
  std::optional<std::size_t> sectionEnd;
  bool inSection = false;
  bool written = false;
  for (std::size_t i = 0; i < lines.size() && !written; ++i) {
    if (auto name = SectionName(lines[i])) {
      if (inSection)
        break;
      inSection = SameName(*name, section);
      if (inSection)
        sectionEnd = i + 1;
      continue;
    }
    std::wstring k, v;
    if (inSection && SplitEntry(lines[i], k, v)) {
      if (SameName(k, key)) {
        lines[i] = k + L"=" + value;
        written = true;
      }
    }
    if (inSection && !Trim(lines[i]).empty())
      sectionEnd = i + 1;
  }
  if (!written) {
    if (sectionEnd) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), key + L"=" + value);
    } else {
      lines.push_back(L"[" + section + L"]");
      lines.push_back(key + L"=" + value);
    }
  }
  std::wstring text;
  for (const std::wstring& line : lines)
    text += line + L"\r\n";
  const std::string bytes =
      unicode ? EncodeUtf16File(text) : WideToCodePage(text, system_.codePage);
  return files_.WriteAll(file, bytes, FileOp::ProfileWrite) == 0;
}

}  // namespace platform::sim
