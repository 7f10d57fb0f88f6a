#pragma once
#include "platform/profile.h"

namespace platform::win32 {

// GetPrivateProfileStringW / WritePrivateProfileStringW. A file the first write creates is
// started as UTF-16LE with a byte-order mark, so that values outside the ANSI code page
// (a Chinese volume label on a Western system) read back unchanged.
class Win32Profile : public Profile {
 public:
  std::wstring ReadString(const std::wstring& file, const std::wstring& section,
                          const std::wstring& key, const std::wstring& defaultValue) override;
  bool WriteString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   const std::wstring& value) override;
};

}  // namespace platform::win32
