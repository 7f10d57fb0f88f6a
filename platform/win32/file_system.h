#pragma once
#include "platform/files.h"

namespace platform::win32 {

class Win32FileSystem : public FileSystem {
 public:
  bool DirectoryExists(const std::wstring& path) override;
  bool FileExists(const std::wstring& path) override;
  void MakeDirectory(const std::wstring& path) override;
  std::unique_ptr<File> OpenForAppend(const std::wstring& path) override;
  std::unique_ptr<File> CreateAlways(const std::wstring& path) override;
  void Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) override;
  void Move(const std::wstring& from, const std::wstring& to) override;
  bool Delete(const std::wstring& path) override;
  std::wstring VolumeRoot(const std::wstring& path) override;
  std::uint64_t FileSize(const std::wstring& path) override;
  std::unique_ptr<File> OpenForRead(const std::wstring& path) override;
  std::unique_ptr<File> OpenFromDevice(const std::wstring& path) override;
  void FlushToDevice(const std::wstring& path) override;
  std::uint64_t FreeBytes(const std::wstring& folder) override;
  std::wstring FileSystemName(const std::wstring& root) override;
  std::vector<std::wstring> FileNames(const std::wstring& folder) override;
  bool SameFile(const std::wstring& a, const std::wstring& b) override;
};

}  // namespace platform::win32
