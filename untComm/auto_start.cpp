#include "untComm/auto_start.h"

#include "platform/services.h"
#include "untComm/exceptions.h"
#include "untComm/paths.h"
#include "untComm/write_log.h"

namespace untComm {

namespace {

constexpr platform::RegistryRoot kRoot = platform::RegistryRoot::LocalMachine;

bool AlreadyRegistered(platform::Registry& registry, const std::wstring& command) {
  auto key = registry.OpenKey(kRoot, kRunKey, platform::RegistryAccess::Read);
  if (!key)
    return false;
  const bool same = key->QueryString(kAutoStartValue) == command;
  key->Close();
  return same;
}

}  // namespace

std::wstring AutoStartCommand() {
  const std::wstring folder = ExtractFilePath(platform::Current().system->ModuleFileName());
  const std::wstring command = folder + L"Tavrix.exe";
  if (folder.find(L' ') != std::wstring::npos)
    return L"\"" + command + L"\"";
  return command;
}

void SetAutoStart(bool enable) {
  platform::Registry& registry = *platform::Current().registry;
  if (enable) {
    const std::wstring command = AutoStartCommand();
    if (AlreadyRegistered(registry, command)) {
      WriteLog(L"增加开机自启动成功。");
      return;
    }
    // A key that cannot be opened for writing shows up as the failed write below.
    auto key = registry.CreateKey(kRoot, kRunKey, platform::RegistryAccess::AllAccess);
    if (!key || key->SetString(kAutoStartValue, command) != 0)
      throw ERegistryException(L"Failed to set data for '" + std::wstring(kAutoStartValue) + L"'");
    WriteLog(L"增加开机自启动成功。");
    key->Close();
  } else {
    auto key = registry.CreateKey(kRoot, kRunKey, platform::RegistryAccess::AllAccess);
    if (key) {
      key->DeleteValue(kAutoStartValue);
      key->Close();
    }
    WriteLog(std::wstring(L"已经删除开机自启动项：") + kRunKey);
  }
}

}  // namespace untComm
