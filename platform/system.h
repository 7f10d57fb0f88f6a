#pragma once
// Kernel services: the running executable, the current directory, the local
// clock, the ANSI code page and the locale's time-format values.
#include <cstdint>
#include <string>

namespace platform {

struct DateTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The values of the Windows locale that make up the long time format.
struct TimeFormatLocale {
  std::wstring separator = L":";  // LOCALE_STIME
  bool leadingZero = true;        // LOCALE_ITLZERO
  bool twentyFourHour = true;     // LOCALE_ITIME
  bool designatorFirst = false;   // LOCALE_ITIMEMARKPOSN
  std::wstring am = L"AM";        // LOCALE_S1159
  std::wstring pm = L"PM";        // LOCALE_S2359
};

class System {
 public:
  virtual ~System() = default;

  // Full path of the running executable (GetModuleFileNameW, 261 units).
  virtual std::wstring ModuleFileName() = 0;
  virtual bool ChangeDirectory(const std::wstring& path) = 0;
  virtual std::wstring CurrentDirectory() = 0;
  virtual DateTime LocalTime() = 0;

  // GetACP, and WideCharToMultiByte(CP_ACP, 0, ...) with the default character.
  virtual std::uint32_t AnsiCodePage() = 0;
  virtual std::string ToAnsi(const std::wstring& text) = 0;
  virtual TimeFormatLocale TimeFormat() = 0;

  // CreateMutexW(no attributes, not owned, name). True when the mutex already existed
  // (GetLastError 183 right after the call); the handle is then closed again. Otherwise the
  // handle, if any, is kept open until the process ends.
  virtual bool CreateNamedMutexAlreadyExisted(const std::wstring& name) = 0;

  // SetErrorMode; returns the previous mode.
  virtual std::uint32_t SetErrorMode(std::uint32_t mode) = 0;
};

inline constexpr std::uint32_t kSemFailCriticalErrors = 0x0001;

}  // namespace platform
