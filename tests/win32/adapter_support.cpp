#include <windows.h>
#include <shellapi.h>

#include "tests/win32/adapter_test_main.h"
#include "platform/win32/handle.h"

namespace win32test {

namespace {

void RemoveTree(const std::wstring& path) {
  std::wstring from = path;
  from.push_back(L'\0');  // the list of names ends in a second NUL
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  SHFileOperationW(&op);
}

}  // namespace

TempFolder::TempFolder() {
  wchar_t base[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, base);
  static int counter = 0;
  path_ = std::wstring(base) + L"tavrix-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++counter);
  RemoveTree(path_);
  CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
  RemoveTree(path_);
}

std::string ReadBytes(const std::wstring& path) {
  platform::win32::UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.valid())
    return "<missing>";
  std::string bytes(1 << 16, '\0');
  DWORD read = 0;
  ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  platform::win32::UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace win32test
