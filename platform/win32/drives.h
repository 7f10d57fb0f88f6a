#pragma once
#include "platform/drives.h"

namespace platform::win32 {

// The logical drives as the kernel reports them. The probes never change the error mode:
// the caller sets SEM_FAILCRITICALERRORS around them so that an empty slot shows no box.
class Win32Drives : public Drives {
 public:
  std::wstring LogicalDriveStrings(std::uint32_t bufferLength) override;
  std::uint32_t DriveType(const std::wstring& root) override;
  std::optional<std::wstring> VolumeLabel(const std::wstring& path,
                                          std::uint32_t labelLength) override;
  bool MediumReady(const std::wstring& root) override;
};

}  // namespace platform::win32
