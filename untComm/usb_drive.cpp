#include "untComm/usb_drive.h"

#include "platform/services.h"

namespace untComm {

namespace {

constexpr std::uint32_t kDriveListLength = 260;  // all 26 roots of 4 characters fit
constexpr std::size_t kEntryLength = 4;          // "E:\" and its NUL
constexpr std::size_t kRootLength = 3;
constexpr std::uint32_t kLabelLength = 64;

bool IsBlankOrControl(wchar_t c) {
  return c <= L' ';
}

}  // namespace

std::wstring FindUsbDrive() {
  // A drive without a medium fails its call instead of asking for a disk: the program runs
  // with critical errors set to fail from its start.
  platform::Services& os = platform::Current();
  const std::wstring list = os.drives->LogicalDriveStrings(kDriveListLength);
  const std::size_t entries = list.size() / kEntryLength;
  std::wstring found;
  for (std::size_t i = 0; i < entries; ++i) {
    const std::wstring root = list.substr(i * kEntryLength, kRootLength);
    // An empty card-reader slot is removable too; it must not capture the backups.
    if (os.drives->DriveType(root) == platform::kDriveRemovable && os.drives->MediumReady(root))
      found = root;
  }
  return found;
}

std::wstring ReadVolumeLabel(const std::wstring& root) {
  platform::Services& os = platform::Current();
  const std::wstring label = os.drives->VolumeLabel(root + L"\\", kLabelLength).value_or(L"");
  std::size_t first = 0;
  std::size_t last = label.size();
  while (first < last && IsBlankOrControl(label[first]))
    ++first;
  while (last > first && IsBlankOrControl(label[last - 1]))
    --last;
  return label.substr(first, last - first);
}

}  // namespace untComm
