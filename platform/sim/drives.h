#pragma once
// The drive services over the simulated file system's drive table.
#include "platform/drives.h"
#include "platform/sim/file_system.h"
#include "platform/sim/system.h"

namespace platform::sim {

class SimDrives : public Drives {
 public:
  SimDrives(SimFileSystem& files, SimSystem& system) : files_(files), system_(system) {}

  // GetLogicalDriveStringsW fails (returns 0).
  bool failDriveList = false;
  // Boxes Windows would have shown ("no disk in the drive") because a drive without a
  // medium was touched while critical errors were not set to fail.
  int criticalErrorBoxes = 0;

  std::wstring LogicalDriveStrings(std::uint32_t bufferLength) override;
  std::uint32_t DriveType(const std::wstring& root) override;
  std::optional<std::wstring> VolumeLabel(const std::wstring& path,
                                          std::uint32_t labelLength) override;
  bool MediumReady(const std::wstring& root) override;

  // Counts the box Windows shows when a drive without a medium is touched while critical
  // errors are not set to fail. The world tells it of every file operation on such a drive.
  void TouchMedium(const Drive& drive);

 private:
  // The drive a root path names ("E:\", and for volume information "E:\\"); null otherwise.
  Drive* DriveOf(const std::wstring& path, bool extraBackslashes);

  SimFileSystem& files_;
  SimSystem& system_;
};

}  // namespace platform::sim
