#pragma once
// Adapter tests run the Win32 services for real, inside the test prefix of Wine.
#include <windows.h>
#include <objbase.h>

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

// True inside Wine, where the test prefix's drives and Wine's own answers can be relied on.
inline bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The user-interface thread's apartment, as the program entry sets it up.
class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_))
      CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  HRESULT Result() const { return result_; }

 private:
  HRESULT result_;
};

std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);

}  // namespace win32test
