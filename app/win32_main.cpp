// Program entry of Tavrix.exe: wires the Win32 platform into the core and runs the program.
#include <windows.h>

#include "platform/error.h"
#include "platform/services.h"
#include "platform/win32/file_system.h"
#include "platform/win32/profile.h"
#include "platform/win32/system.h"
#include "untComm/config_file.h"
#include "untComm/load_config.h"
#include "untComm/paths.h"
#include "untComm/write_log.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  static platform::win32::Win32System system;
  static platform::win32::Win32FileSystem files;
  static platform::win32::Win32Profile profile;
  platform::Services services;
  services.system = &system;
  services.files = &files;
  services.profile = &profile;
  platform::Install(services);

  system.ChangeDirectory(untComm::ExtractFileDir(system.ModuleFileName()));
  untComm::ConfigFile = std::make_unique<untComm::TIniFile>(untComm::kConfigFileName);
  untComm::LoadConfig();
  try {
    untComm::WriteLog(L"程序启动。");
  } catch (const platform::Exception& e) {
    MessageBoxW(nullptr, e.Message().c_str(), L"Velmora", MB_OK | MB_ICONERROR);
  }
  return 0;
}
