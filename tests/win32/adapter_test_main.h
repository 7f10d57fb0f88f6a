#pragma once
// Adapter tests run the Win32 services for real, inside the test prefix of Wine.
#include <windows.h>

#include <string>

#include "platform/services.h"
#include "platform/win32/file_system.h"
#include "platform/win32/profile.h"
#include "platform/win32/system.h"

namespace win32test {

// Installs the real services for one test.
struct RealPlatform {
  platform::win32::Win32System system;
  platform::win32::Win32FileSystem files;
  platform::win32::Win32Profile profile;
  RealPlatform() {
    platform::Services s;
    s.system = &system;
    s.files = &files;
    s.profile = &profile;
    platform::Install(s);
  }
  ~RealPlatform() { platform::Install({}); }
};

// A fresh folder under the prefix's temporary folder, removed with its files afterwards.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::wstring& Path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);

}  // namespace win32test
