#pragma once
// File-system services. Every failure is raised as OsError with the Windows
// error code of the failed call.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// An open file handle with the operations the activity log needs.
class File {
 public:
  virtual ~File() = default;
  virtual std::uint64_t Size() = 0;
  virtual void Seek(std::uint64_t offset) = 0;
  virtual std::string Read(std::size_t count) = 0;
  // Ends the file at the current position (SetEndOfFile).
  virtual void Truncate() = 0;
  virtual void Write(const std::string& bytes) = 0;
  virtual void Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // GetFileAttributesW: an existing directory (a link to one counts) / a file that is no directory.
  virtual bool DirectoryExists(const std::wstring& path) = 0;
  virtual bool FileExists(const std::wstring& path) = 0;
  // CreateDirectoryW: the last level only.
  virtual void MakeDirectory(const std::wstring& path) = 0;

  // Read and write access, others may read, open existing.
  virtual std::unique_ptr<File> OpenForAppend(const std::wstring& path) = 0;
  // Write access, others may read, create always.
  virtual std::unique_ptr<File> CreateAlways(const std::wstring& path) = 0;

  // CopyFileW with fail-if-exists.
  virtual void Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) = 0;
  // MoveFileExW without replacing an existing file.
  virtual void Move(const std::wstring& from, const std::wstring& to) = 0;
  // DeleteFileW; false on failure.
  virtual bool Delete(const std::wstring& path) = 0;
  // Root of the volume that holds the path (GetVolumePathNameW), for same-volume decisions;
  // in upper case, so that the roots of one volume compare equal as text.
  virtual std::wstring VolumeRoot(const std::wstring& path) = 0;
};

}  // namespace platform
