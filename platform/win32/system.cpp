#include "platform/win32/system.h"

#include <windows.h>

#include <vector>

#include "platform/error.h"

namespace platform::win32 {

namespace {

std::wstring LocaleString(LCTYPE type) {
  wchar_t buffer[80] = {};
  const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 80);
  return length > 0 ? std::wstring(buffer, static_cast<std::size_t>(length - 1)) : std::wstring();
}

bool LocaleFlag(LCTYPE type, bool fallback) {
  const std::wstring text = LocaleString(type);
  return text.empty() ? fallback : text != L"0";
}

}  // namespace

std::wstring Win32System::ModuleFileName() {
  wchar_t buffer[261] = {};
  const DWORD length = GetModuleFileNameW(nullptr, buffer, 261);
  return std::wstring(buffer, length);
}

bool Win32System::ChangeDirectory(const std::wstring& path) {
  return SetCurrentDirectoryW(path.c_str()) != 0;
}

std::wstring Win32System::CurrentDirectory() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  if (size == 0)
    return {};
  std::vector<wchar_t> buffer(size);
  const DWORD length = GetCurrentDirectoryW(size, buffer.data());
  return std::wstring(buffer.data(), length < size ? length : 0);
}

DateTime Win32System::LocalTime() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

std::uint32_t Win32System::AnsiCodePage() {
  return GetACP();
}

std::string Win32System::ToAnsi(const std::wstring& text) {
  if (text.empty())
    return {};
  const int wideLength = static_cast<int>(text.size());
  const int size =
      WideCharToMultiByte(CP_ACP, 0, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (size <= 0)
    throw OsError(GetLastError());
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, text.data(), wideLength, bytes.data(), size, nullptr,
                          nullptr) != size) {
    throw OsError(GetLastError());
  }
  return bytes;
}

TimeFormatLocale Win32System::TimeFormat() {
  TimeFormatLocale locale;
  locale.separator = LocaleString(LOCALE_STIME);
  if (locale.separator.empty())
    locale.separator = L":";
  locale.leadingZero = LocaleFlag(LOCALE_ITLZERO, false);
  locale.twentyFourHour = LocaleFlag(LOCALE_ITIME, true);
  locale.designatorFirst = LocaleFlag(LOCALE_ITIMEMARKPOSN, false);
  locale.am = LocaleString(LOCALE_S1159);
  locale.pm = LocaleString(LOCALE_S2359);
  return locale;
}

bool Win32System::CreateNamedMutexAlreadyExisted(const std::wstring& name) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    if (mutex)
      CloseHandle(mutex);
    return true;
  }
  // The first instance keeps its handle until the process ends: that is the guard.
  return false;
}

std::uint32_t Win32System::SetErrorMode(std::uint32_t mode) {
  return ::SetErrorMode(mode);
}

}  // namespace platform::win32
