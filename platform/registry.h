#pragma once
// The registry: keys opened or created under a root, string values.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

enum class RegistryRoot { LocalMachine, CurrentUser };
enum class RegistryAccess { AllAccess, Read };

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // RegSetValueExW(REG_SZ), data size (characters + 1) * 2. Returns the Windows error code.
  virtual std::uint32_t SetString(const std::wstring& name, const std::wstring& data) = 0;
  // RegDeleteValueW. Returns the Windows error code.
  virtual std::uint32_t DeleteValue(const std::wstring& name) = 0;
  // RegQueryValueExW of a REG_SZ value; empty when missing or of another type.
  virtual std::optional<std::wstring> QueryString(const std::wstring& name) = 0;
  // RegCloseKey, without a flush. The destructor closes a key that was not closed.
  virtual void Close() = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // RegCreateKeyExW (options 0, no security attributes): opens the key, creating it when
  // missing. Null on failure, with the Windows error code in *error when given.
  virtual std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::wstring& path,
                                                 RegistryAccess access,
                                                 std::uint32_t* error = nullptr) = 0;
  // RegOpenKeyExW: opens an existing key only. Null on failure.
  virtual std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::wstring& path,
                                               RegistryAccess access,
                                               std::uint32_t* error = nullptr) = 0;
};

}  // namespace platform
