#pragma once
// The initialisation-file service (GetPrivateProfileStringW / WritePrivateProfileStringW).
#include <string>

namespace platform {

class Profile {
 public:
  virtual ~Profile() = default;
  // The key's value read through a buffer of 2048 units (so at most 2047 characters), or
  // the default when the file, the section or the key is missing.
  virtual std::wstring ReadString(const std::wstring& file, const std::wstring& section,
                                  const std::wstring& key, const std::wstring& defaultValue) = 0;
  // False when the service refused the write.
  virtual bool WriteString(const std::wstring& file, const std::wstring& section,
                           const std::wstring& key, const std::wstring& value) = 0;
};

}  // namespace platform
