// Program entry of Tavrix.exe: wires the Win32 platform into the core and runs the program.
// The start-up order itself (COM first, the single-instance guard, the windows, the message
// loop) is the core's, in app/core/program.cpp.
#include <windows.h>

#include "app/core/program.h"
#include "platform/services.h"
#include "platform/win32/database.h"
#include "platform/win32/drives.h"
#include "platform/win32/file_system.h"
#include "platform/win32/profile.h"
#include "platform/win32/registry.h"
#include "platform/win32/system.h"
#include "platform/win32/ui_application.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  platform::win32::Win32System system;
  platform::win32::Win32FileSystem files;
  platform::win32::Win32Profile profile;
  platform::win32::Win32Registry registry;
  platform::win32::Win32Drives drives;
  platform::win32::AdoDatabase database;
  platform::win32::Win32Application ui;

  platform::Services services;
  services.system = &system;
  services.files = &files;
  services.profile = &profile;
  services.registry = &registry;
  services.drives = &drives;
  services.database = &database;
  services.ui = &ui;
  platform::Install(services);

  const int exitCode = app::RunProgram();
  platform::Install({});
  return exitCode;
}
