#pragma once
// File-system services. Every failure is raised as OsError with the Windows
// error code of the failed call.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// An open file handle with the operations the activity log needs.
class File {
 public:
  virtual ~File() = default;
  virtual std::uint64_t Size() = 0;
  virtual void Seek(std::uint64_t offset) = 0;
  virtual std::string Read(std::size_t count) = 0;
  // Reads up to `count` bytes into `buffer`: the number read, 0 at the end of the file. For
  // streaming large files through one buffer (no allocation per read).
  virtual std::size_t ReadInto(char* buffer, std::size_t count) {
    const std::string bytes = Read(count);
    bytes.copy(buffer, bytes.size());
    return bytes.size();
  }
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

  // --- What a hand-over needs to prove its copy and to keep c:\tempbak small. ---

  // Size of an existing file (GetFileAttributesExW).
  virtual std::uint64_t FileSize(const std::wstring& path) = 0;
  // Read access, others may read, open existing.
  virtual std::unique_ptr<File> OpenForRead(const std::wstring& path) = 0;
  // Read access past the system's cache (FILE_FLAG_NO_BUFFERING), so that what comes back is
  // what the device holds. Reads must ask for a multiple of kDeviceReadUnit bytes; the last
  // one returns what is left of the file.
  virtual std::unique_ptr<File> OpenFromDevice(const std::wstring& path) = 0;
  // Writes whatever the system still holds of the file to the device (FlushFileBuffers).
  virtual void FlushToDevice(const std::wstring& path) = 0;
  // Bytes the caller may still write on the volume that holds the folder
  // (GetDiskFreeSpaceExW).
  virtual std::uint64_t FreeBytes(const std::wstring& folder) = 0;
  // File-system name of a volume ("NTFS", "FAT32", "exFAT": GetVolumeInformationW), given
  // its root with the trailing backslash.
  virtual std::wstring FileSystemName(const std::wstring& root) = 0;
  // Names of the files (not folders) directly inside a folder, as stored (FindFirstFileExW).
  virtual std::vector<std::wstring> FileNames(const std::wstring& folder) = 0;
  // Whether two existing paths name one file (volume serial and file index), whatever
  // letter case, links or short names lead there.
  virtual bool SameFile(const std::wstring& a, const std::wstring& b) = 0;
};

// Sector sizes divide this; reads from the device come in multiples of it.
inline constexpr std::size_t kDeviceReadUnit = 4096;

}  // namespace platform
