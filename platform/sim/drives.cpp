#include "platform/sim/drives.h"

namespace platform::sim {

namespace {

constexpr std::uint32_t kDriveNoRootDir = 1;  // DRIVE_NO_ROOT_DIR

}  // namespace

Drive* SimDrives::DriveOf(const std::wstring& path, bool extraBackslashes) {
  if (path.size() < 3 || path[1] != L':' || path[2] != L'\\')
    return nullptr;
  for (std::size_t i = 3; i < path.size(); ++i) {
    if (!extraBackslashes || path[i] != L'\\')
      return nullptr;
  }
  return files_.FindDrive(path[0]);
}

void SimDrives::TouchMedium(const Drive& drive) {
  if (!drive.hasMedium && (system_.errorMode & kSemFailCriticalErrors) == 0)
    ++criticalErrorBoxes;
}

std::wstring SimDrives::LogicalDriveStrings(std::uint32_t bufferLength) {
  if (failDriveList)
    return {};
  std::wstring list;
  for (const Drive& drive : files_.AllDrives()) {
    list += drive.letter;
    list += L":\\";
    list += L'\0';
  }
  // Too small a buffer: the call writes nothing and returns the length it would need.
  if (list.size() + 1 > bufferLength)
    return {};
  return list;
}

std::uint32_t SimDrives::DriveType(const std::wstring& root) {
  const Drive* drive = DriveOf(root, false);
  return drive ? drive->type : kDriveNoRootDir;
}

std::optional<std::wstring> SimDrives::VolumeLabel(const std::wstring& path,
                                                   std::uint32_t labelLength) {
  const Drive* drive = DriveOf(path, true);
  if (!drive)
    return std::nullopt;
  TouchMedium(*drive);
  if (!drive->hasMedium || labelLength == 0)
    return std::nullopt;
  return drive->label.substr(0, labelLength - 1);
}

bool SimDrives::MediumReady(const std::wstring& root) {
  const Drive* drive = DriveOf(root, false);
  if (!drive)
    return false;
  TouchMedium(*drive);
  return drive->hasMedium;
}

}  // namespace platform::sim
