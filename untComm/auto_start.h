#pragma once
// Starting with Windows: the value "Tavrix" under the machine-wide Run key.
#include <string>

namespace untComm {

inline constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\windows\\CurrentVersion\\Run";
inline constexpr wchar_t kAutoStartValue[] = L"Tavrix";

// What the Run value holds: the executable's folder with its trailing backslash and
// "Tavrix.exe", whatever the running file is called. Quoted when the folder contains a
// blank, so that Windows cannot start another program named by a prefix of the path.
std::wstring AutoStartCommand();

// true: makes sure the value holds AutoStartCommand() and logs "增加开机自启动成功。". A
// value that already holds exactly that is only read (a user without administrator rights
// can start the program); otherwise it is written, raising ERegistryException
// "Failed to set data for 'Tavrix'" when that fails (nothing is logged then).
// false: deletes the value, ignoring every registry failure, and logs the removal.
void SetAutoStart(bool enable);

}  // namespace untComm
