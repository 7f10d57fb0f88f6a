#pragma once
#include "platform/system.h"

namespace platform::win32 {

class Win32System : public System {
 public:
  std::wstring ModuleFileName() override;
  bool ChangeDirectory(const std::wstring& path) override;
  std::wstring CurrentDirectory() override;
  DateTime LocalTime() override;
  std::uint32_t AnsiCodePage() override;
  std::string ToAnsi(const std::wstring& text) override;
  TimeFormatLocale TimeFormat() override;
  bool CreateNamedMutexAlreadyExisted(const std::wstring& name) override;
  std::uint32_t SetErrorMode(std::uint32_t mode) override;
};

}  // namespace platform::win32
