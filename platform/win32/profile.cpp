#include "platform/win32/profile.h"

#include <windows.h>

#include "platform/win32/handle.h"

namespace platform::win32 {

namespace {

constexpr DWORD kBufferUnits = 2048;

// Creates an empty UTF-16LE file when none exists; a file that appeared meanwhile is left.
void StartUnicodeFile(const std::wstring& file) {
  UniqueHandle handle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.valid())
    return;  // the write below reports what is wrong
  const unsigned char bom[] = {0xFF, 0xFE};
  DWORD written = 0;
  WriteFile(handle.get(), bom, sizeof bom, &written, nullptr);
}

}  // namespace

std::wstring Win32Profile::ReadString(const std::wstring& file, const std::wstring& section,
                                      const std::wstring& key, const std::wstring& defaultValue) {
  wchar_t buffer[kBufferUnits] = {};
  const DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue.c_str(),
                                                buffer, kBufferUnits, file.c_str());
  return std::wstring(buffer, length);
}

bool Win32Profile::WriteString(const std::wstring& file, const std::wstring& section,
                               const std::wstring& key, const std::wstring& value) {
  if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES &&
      GetLastError() == ERROR_FILE_NOT_FOUND) {
    StartUnicodeFile(file);
  }
  return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != 0;
}

}  // namespace platform::win32
