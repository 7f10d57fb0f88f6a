#pragma once
#include <set>
#include <string>

#include "platform/sim/clock.h"
#include "platform/sim/file_system.h"
#include "platform/system.h"

namespace platform::sim {

class SimSystem : public System {
 public:
  SimSystem(Clock& clock, SimFileSystem& files) : clock_(clock), files_(files) {}

  std::wstring moduleFileName = L"C:\\Tavrix\\Tavrix.exe";
  std::uint32_t codePage = 936;
  TimeFormatLocale timeFormat;             // zh-CN: "H:mm:ss" style values, 24 hours, leading zero
  std::set<std::wstring> existingMutexes;  // held by other processes of the session
  std::uint32_t errorMode = 0;

  std::wstring ModuleFileName() override { return moduleFileName; }
  bool ChangeDirectory(const std::wstring& path) override;
  std::wstring CurrentDirectory() override { return files_.currentDirectory; }
  DateTime LocalTime() override { return clock_.Now(); }
  std::uint32_t AnsiCodePage() override { return codePage; }
  std::string ToAnsi(const std::wstring& text) override;
  TimeFormatLocale TimeFormat() override { return timeFormat; }
  bool CreateNamedMutexAlreadyExisted(const std::wstring& name) override;
  std::uint32_t SetErrorMode(std::uint32_t mode) override;

 private:
  Clock& clock_;
  SimFileSystem& files_;
};

}  // namespace platform::sim
