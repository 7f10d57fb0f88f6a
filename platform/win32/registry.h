#pragma once
// The registry through RegCreateKeyExW / RegOpenKeyExW and REG_SZ values, in the registry
// view of the running program (no view flag).
#include "platform/registry.h"

namespace platform::win32 {

class Win32Registry : public Registry {
 public:
  // KEY_ALL_ACCESS or KEY_READ.
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::wstring& path,
                                         RegistryAccess access,
                                         std::uint32_t* error = nullptr) override;
  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::wstring& path,
                                       RegistryAccess access,
                                       std::uint32_t* error = nullptr) override;
};

}  // namespace platform::win32
