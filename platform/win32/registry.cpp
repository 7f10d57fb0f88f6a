#include "platform/win32/registry.h"

#include <windows.h>

#include <vector>

namespace platform::win32 {

namespace {

HKEY RootKey(RegistryRoot root) {
  return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

REGSAM AccessMask(RegistryAccess access) {
  return access == RegistryAccess::AllAccess ? KEY_ALL_ACCESS : KEY_READ;
}

class Win32RegistryKey : public RegistryKey {
 public:
  explicit Win32RegistryKey(HKEY key) : key_(key) {}
  ~Win32RegistryKey() override { Close(); }
  Win32RegistryKey(const Win32RegistryKey&) = delete;
  Win32RegistryKey& operator=(const Win32RegistryKey&) = delete;

  std::uint32_t SetString(const std::wstring& name, const std::wstring& data) override {
    // The size counts the terminating null.
    const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    return static_cast<std::uint32_t>(RegSetValueExW(
        key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), bytes));
  }

  std::uint32_t DeleteValue(const std::wstring& name) override {
    return static_cast<std::uint32_t>(RegDeleteValueW(key_, name.c_str()));
  }

  std::optional<std::wstring> QueryString(const std::wstring& name) override {
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key_, name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type != REG_SZ) {
      return std::nullopt;
    }
    // The value may change between the calls: ask again while the buffer is too small.
    std::vector<wchar_t> buffer;
    LSTATUS status = ERROR_MORE_DATA;
    while (status == ERROR_MORE_DATA) {
      buffer.assign(bytes / sizeof(wchar_t) + 1, L'\0');
      bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
      status = RegQueryValueExW(key_, name.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    }
    if (status != ERROR_SUCCESS || type != REG_SZ)
      return std::nullopt;
    std::wstring text(buffer.data(), bytes / sizeof(wchar_t));
    // Stored with or without its terminating null.
    while (!text.empty() && text.back() == L'\0')
      text.pop_back();
    return text;
  }

  void Close() override {
    if (key_)
      RegCloseKey(key_);
    key_ = nullptr;
  }

 private:
  HKEY key_;
};

std::unique_ptr<RegistryKey> Opened(LSTATUS status, HKEY key, std::uint32_t* error) {
  if (error)
    *error = static_cast<std::uint32_t>(status);
  if (status != ERROR_SUCCESS)
    return nullptr;
  return std::make_unique<Win32RegistryKey>(key);
}

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::CreateKey(RegistryRoot root, const std::wstring& path,
                                                      RegistryAccess access, std::uint32_t* error) {
  HKEY key = nullptr;
  const LSTATUS status = RegCreateKeyExW(RootKey(root), path.c_str(), 0, nullptr, 0,
                                         AccessMask(access), nullptr, &key, nullptr);
  return Opened(status, key, error);
}

std::unique_ptr<RegistryKey> Win32Registry::OpenKey(RegistryRoot root, const std::wstring& path,
                                                    RegistryAccess access, std::uint32_t* error) {
  HKEY key = nullptr;
  const LSTATUS status = RegOpenKeyExW(RootKey(root), path.c_str(), 0, AccessMask(access), &key);
  return Opened(status, key, error);
}

}  // namespace platform::win32
