#include "platform/sim/registry.h"

#include <cwctype>

#include "platform/error.h"

namespace platform::sim {

namespace {
constexpr std::uint32_t kSuccess = 0;
}

class SimRegistryKey : public RegistryKey {
 public:
  SimRegistryKey(SimRegistry& registry, std::wstring name, RegistryAccess access)
      : registry_(registry), name_(std::move(name)), access_(access) {
    ++registry_.openKeys_;
  }
  ~SimRegistryKey() override {
    if (open_)
      Close();
  }

  std::uint32_t SetString(const std::wstring& name, const std::wstring& data) override {
    std::uint32_t result = Usable(true);
    if (result == kSuccess)
      registry_.keys_[SimRegistry::Fold(name_)].values[SimRegistry::Fold(name)] = data;
    Record(RegistryCall::Op::SetString, name, result);
    return result;
  }

  std::uint32_t DeleteValue(const std::wstring& name) override {
    std::uint32_t result = Usable(true);
    if (result == kSuccess) {
      auto& values = registry_.keys_[SimRegistry::Fold(name_)].values;
      if (values.erase(SimRegistry::Fold(name)) == 0)
        result = error::kFileNotFound;
    }
    Record(RegistryCall::Op::DeleteValue, name, result);
    return result;
  }

  std::optional<std::wstring> QueryString(const std::wstring& name) override {
    std::optional<std::wstring> data;
    std::uint32_t result = Usable(false);
    if (result == kSuccess) {
      data = registry_.GetStringByName(name_, name);
      if (!data)
        result = error::kFileNotFound;
    }
    Record(RegistryCall::Op::QueryString, name, result);
    return data;
  }

  void Close() override {
    if (!open_)
      return;
    open_ = false;
    --registry_.openKeys_;
    Record(RegistryCall::Op::Close, L"", kSuccess);
  }

 private:
  std::uint32_t Usable(bool write) const {
    if (!open_)
      return 6;  // ERROR_INVALID_HANDLE
    if (write && access_ == RegistryAccess::Read)
      return error::kAccessDenied;
    return kSuccess;
  }
  void Record(RegistryCall::Op op, const std::wstring& name, std::uint32_t result) {
    registry_.calls.push_back({op, name_, name, access_, result});
  }

  SimRegistry& registry_;
  std::wstring name_;
  RegistryAccess access_;
  bool open_ = true;
};

std::wstring SimRegistry::Fold(const std::wstring& text) {
  std::wstring folded = text;
  for (wchar_t& c : folded)
    c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
  return folded;
}

std::wstring SimRegistry::KeyName(RegistryRoot root, const std::wstring& path) {
  return (root == RegistryRoot::LocalMachine ? L"HKLM\\" : L"HKCU\\") + path;
}

void SimRegistry::PutString(RegistryRoot root, const std::wstring& path, const std::wstring& name,
                            const std::wstring& data) {
  keys_[Fold(KeyName(root, path))].values[Fold(name)] = data;
}

std::optional<std::wstring> SimRegistry::GetString(RegistryRoot root, const std::wstring& path,
                                                   const std::wstring& name) const {
  return GetStringByName(KeyName(root, path), name);
}

std::optional<std::wstring> SimRegistry::GetStringByName(const std::wstring& key,
                                                         const std::wstring& name) const {
  const auto k = keys_.find(Fold(key));
  if (k == keys_.end())
    return std::nullopt;
  const auto v = k->second.values.find(Fold(name));
  if (v == k->second.values.end())
    return std::nullopt;
  return v->second;
}

bool SimRegistry::KeyExists(RegistryRoot root, const std::wstring& path) const {
  return keys_.count(Fold(KeyName(root, path))) != 0;
}

void SimRegistry::DenyWrite(RegistryRoot root, const std::wstring& path, bool denied) {
  const std::wstring key = Fold(KeyName(root, path));
  if (denied)
    writeDenied_.insert(key);
  else
    writeDenied_.erase(key);
}

std::unique_ptr<RegistryKey> SimRegistry::CreateKey(RegistryRoot root, const std::wstring& path,
                                                    RegistryAccess access, std::uint32_t* error) {
  return Open(RegistryCall::Op::CreateKey, root, path, access, error);
}

std::unique_ptr<RegistryKey> SimRegistry::OpenKey(RegistryRoot root, const std::wstring& path,
                                                  RegistryAccess access, std::uint32_t* error) {
  return Open(RegistryCall::Op::OpenKey, root, path, access, error);
}

std::unique_ptr<RegistryKey> SimRegistry::Open(RegistryCall::Op op, RegistryRoot root,
                                               const std::wstring& path, RegistryAccess access,
                                               std::uint32_t* error) {
  const std::wstring name = KeyName(root, path);
  const std::wstring folded = Fold(name);
  std::uint32_t result = kSuccess;
  if (access != RegistryAccess::Read && writeDenied_.count(folded))
    result = error::kAccessDenied;
  else if (op == RegistryCall::Op::OpenKey && !keys_.count(folded))
    result = error::kFileNotFound;
  calls.push_back({op, name, L"", access, result});
  if (error)
    *error = result;
  if (result != kSuccess)
    return nullptr;
  keys_[folded];  // CreateKey makes a missing key
  return std::make_unique<SimRegistryKey>(*this, name, access);
}

}  // namespace platform::sim
