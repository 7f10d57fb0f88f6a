#pragma once
// The simulated registry: keys and string values in memory, names compared without regard
// to case as Windows does, write access that a test can deny per key, and a record of every
// call so tests can check how a key was opened.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace platform::sim {

// One call the program made, for tests that check the order of operations.
struct RegistryCall {
  enum class Op { CreateKey, OpenKey, SetString, DeleteValue, QueryString, Close };
  Op op;
  std::wstring key;   // root and path, e.g. "HKLM\SOFTWARE\..."
  std::wstring name;  // the value's name (value operations)
  RegistryAccess access = RegistryAccess::Read;
  std::uint32_t result = 0;  // the Windows error code returned (0: success)
};

class SimRegistry : public Registry {
 public:
  // --- the world a test lays out ---
  void PutString(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                 const std::wstring& data);
  std::optional<std::wstring> GetString(RegistryRoot root, const std::wstring& path,
                                        const std::wstring& name) const;
  bool KeyExists(RegistryRoot root, const std::wstring& path) const;
  // Opening the key with write access fails with 5 (ERROR_ACCESS_DENIED), as for a user
  // without administrator rights; reading still works.
  void DenyWrite(RegistryRoot root, const std::wstring& path, bool denied = true);

  std::vector<RegistryCall> calls;
  int OpenKeys() const { return openKeys_; }

  // --- Registry ---
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::wstring& path,
                                         RegistryAccess access,
                                         std::uint32_t* error = nullptr) override;
  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::wstring& path,
                                       RegistryAccess access,
                                       std::uint32_t* error = nullptr) override;

  static std::wstring KeyName(RegistryRoot root, const std::wstring& path);

 private:
  friend class SimRegistryKey;
  struct Key {
    std::map<std::wstring, std::wstring> values;  // by upper-case name
  };
  static std::wstring Fold(const std::wstring& text);
  std::optional<std::wstring> GetStringByName(const std::wstring& key,
                                              const std::wstring& name) const;
  std::unique_ptr<RegistryKey> Open(RegistryCall::Op op, RegistryRoot root,
                                    const std::wstring& path, RegistryAccess access,
                                    std::uint32_t* error);

  std::map<std::wstring, Key> keys_;  // by upper-case full name
  std::set<std::wstring> writeDenied_;
  int openKeys_ = 0;
};

}  // namespace platform::sim
