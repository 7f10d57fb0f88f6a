#include "tests/sim_test.h"

#include "platform/sim/encoding.h"

std::string SimTest::LogBytes(const std::wstring& date) const {
  return world.files.Contents(L"C:\\Tavrix\\log\\" + date + L".txt").value_or("");
}

std::vector<std::wstring> SimTest::LogLines(const std::wstring& date) const {
  const std::wstring text = platform::sim::CodePageToWide(LogBytes(date), world.system.codePage);
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::wstring SimTest::ConfigValue(const std::wstring& key, const std::wstring& fallback) {
  return world.profile.ReadString(L"C:\\Tavrix\\config.ini", L"CONFIG", key, fallback);
}
