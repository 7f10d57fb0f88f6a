#include "platform/win32/drives.h"

#include <windows.h>

#include <vector>

namespace platform::win32 {

std::wstring Win32Drives::LogicalDriveStrings(std::uint32_t bufferLength) {
  std::vector<wchar_t> buffer(bufferLength + 1, L'\0');
  const DWORD written = GetLogicalDriveStringsW(bufferLength, buffer.data());
  // A result larger than the buffer is the size it would need; nothing was written then.
  if (written == 0 || written > bufferLength)
    return {};
  return std::wstring(buffer.data(), written);
}

std::uint32_t Win32Drives::DriveType(const std::wstring& root) {
  return GetDriveTypeW(root.c_str());
}

std::optional<std::wstring> Win32Drives::VolumeLabel(const std::wstring& path,
                                                     std::uint32_t labelLength) {
  // One unit more than the call is told, so the label always ends in a NUL.
  std::vector<wchar_t> label(labelLength + 1, L'\0');
  DWORD maximumComponentLength = 0;
  DWORD fileSystemFlags = 0;
  if (!GetVolumeInformationW(path.c_str(), label.data(), labelLength, nullptr,
                             &maximumComponentLength, &fileSystemFlags, nullptr, 0)) {
    return std::nullopt;
  }
  return std::wstring(label.data());
}

bool Win32Drives::MediumReady(const std::wstring& root) {
  // Windows answers an empty slot with ERROR_NOT_READY, Wine with a missing path or file;
  // every failure means the medium cannot be used.
  ULARGE_INTEGER availableToCaller{};
  ULARGE_INTEGER total{};
  ULARGE_INTEGER free{};
  return GetDiskFreeSpaceExW(root.c_str(), &availableToCaller, &total, &free) != 0;
}

}  // namespace platform::win32
