#pragma once
// Logical drives and their volumes.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

inline constexpr std::uint32_t kDriveRemovable = 2;  // DRIVE_REMOVABLE
inline constexpr std::uint32_t kDriveFixed = 3;      // DRIVE_FIXED

class Drives {
 public:
  virtual ~Drives() = default;
  // GetLogicalDriveStringsW into a buffer of bufferLength units: the characters written
  // (roots of 3 characters, each followed by a NUL), without the list's final NUL. Empty on
  // failure.
  virtual std::wstring LogicalDriveStrings(std::uint32_t bufferLength) = 0;
  // GetDriveTypeW.
  virtual std::uint32_t DriveType(const std::wstring& root) = 0;
  // GetVolumeInformationW(path, label buffer of labelLength units): the label up to its NUL,
  // or nothing when the call failed.
  virtual std::optional<std::wstring> VolumeLabel(const std::wstring& path,
                                                  std::uint32_t labelLength) = 0;
  // Whether the drive has a medium that can be used (GetDiskFreeSpaceExW succeeds).
  virtual bool MediumReady(const std::wstring& root) = 0;
};

}  // namespace platform
