#pragma once
// The initialisation-file service over the simulated file system. Reads files in UTF-16LE
// with a byte-order mark or in the ANSI code page; creates new files as UTF-16LE with a
// byte-order mark, as the program's own Windows adapter does, so every value reads back.
#include "platform/profile.h"
#include "platform/sim/file_system.h"
#include "platform/sim/system.h"

namespace platform::sim {

class SimProfile : public Profile {
 public:
  SimProfile(SimFileSystem& files, SimSystem& system) : files_(files), system_(system) {}

  std::wstring ReadString(const std::wstring& file, const std::wstring& section,
                          const std::wstring& key, const std::wstring& defaultValue) override;
  bool WriteString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   const std::wstring& value) override;

  // The file's lines as the service sees them (tests).
  std::vector<std::wstring> Lines(const std::wstring& file) const;

 private:
  SimFileSystem& files_;
  SimSystem& system_;
};

// Encodes text as a file of UTF-16LE with a byte-order mark, and decodes either form.
std::string EncodeUtf16File(const std::wstring& text);
std::wstring DecodeTextFile(const std::string& bytes, std::uint32_t ansiCodePage);

}  // namespace platform::sim
