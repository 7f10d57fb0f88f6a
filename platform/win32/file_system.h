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
};

}  // namespace platform::win32
