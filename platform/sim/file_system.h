#pragma once
// An in-memory file system with Windows path semantics: drive letters, backslashes,
// case-insensitive names, relative names against a current directory, sharing modes, disk
// capacity, drives without medium, the path limit, sticks that lose what they were given,
// and faults a test injects.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace platform::sim {

// The operations a fault can be attached to.
enum class FileOp {
  MakeDirectory,
  Open,
  Create,
  Size,
  Seek,
  Read,
  Truncate,
  Write,
  Close,
  Copy,
  Move,
  Delete,
  ProfileWrite,
  Flush,  // FlushToDevice
};

struct Drive {
  wchar_t letter = L'C';
  std::uint32_t type = 3;  // DRIVE_FIXED
  std::wstring label;
  bool hasMedium = true;
  std::uint64_t capacity = 1ull << 40;  // bytes the volume can hold
  std::wstring fileSystem = L"NTFS";    // "FAT32": no file of 4 GiB or more fits
  // False: a worn or counterfeit stick. It takes every write, and the system's cache shows
  // the data, but reads from the device itself return zero bytes.
  bool keepsData = true;
};

class SimFileSystem : public FileSystem {
 public:
  SimFileSystem();
  ~SimFileSystem() override;

  // --- the world a test lays out ---
  void AddDrive(const Drive& drive);
  Drive* FindDrive(wchar_t letter);
  const std::vector<Drive>& AllDrives() const { return drives_; }
  void SetMedium(wchar_t letter, bool present);
  // Creates the directory and every missing parent.
  void MakeDirectories(const std::wstring& path);
  // Writes a whole file, creating its folders.
  void PutFile(const std::wstring& path, const std::string& bytes);
  // The same with `zeros` zero bytes after the given ones, for sizes no test can hold in
  // memory; the file system only counts them.
  void PutFile(const std::wstring& path, const std::string& bytes, std::uint64_t zeros);
  std::optional<std::string> Contents(const std::wstring& path) const;
  // Written since it was last flushed to its device.
  bool Unflushed(const std::wstring& path) const;
  // Names (as created) of the entries directly inside a directory.
  std::vector<std::wstring> List(const std::wstring& directory) const;
  bool Exists(const std::wstring& path) const;
  void Remove(const std::wstring& path);  // a file or a whole tree
  std::uint64_t UsedBytes(wchar_t letter) const;

  // The next `times` calls of op on path fail with code (times < 0: every call).
  void InjectFault(FileOp op, const std::wstring& path, std::uint32_t code, int times = -1);
  void ClearFaults();
  // Another program holds the file open without sharing: opening it fails with 32.
  void LockExclusive(const std::wstring& path, bool locked = true);
  // A hook run before every operation, for faults that depend on timing.
  std::function<void(FileOp, const std::wstring&)> beforeOperation;
  // Told of every operation that reaches a drive without a medium: where Windows asks the
  // user to insert a disk unless critical errors are set to fail (the world counts it).
  std::function<void(const Drive&)> mediumMissing;
  // Open handles (for tests that check nothing stays open).
  int OpenHandles() const { return openHandles_; }

  std::wstring currentDirectory = L"C:\\";
  std::wstring FullPath(const std::wstring& path) const;

  // Whole-file access for the simulated services (profile, database server); faults of
  // FileOp::ProfileWrite apply to WriteAll. Returns the Windows error code, 0 on success.
  std::optional<std::string> ReadAll(const std::wstring& path) const;
  std::uint32_t WriteAll(const std::wstring& path, const std::string& bytes, FileOp op,
                         std::uint64_t zeros = 0);

  // --- FileSystem ---
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

 private:
  friend class SimFile;
  struct Node {
    std::wstring name;  // as created
    bool directory = false;
    std::string bytes;
    std::uint64_t zeros = 0;  // after bytes
    bool unflushed = false;
    std::uint64_t Size() const { return bytes.size() + zeros; }
    // Holds every byte in `bytes` (for writes into a file of counted zeros).
    void Materialise() {
      bytes.append(static_cast<std::size_t>(zeros), '\0');
      zeros = 0;
    }
    int writers = 0;
    int handles = 0;
    bool locked = false;
  };
  struct Fault {
    FileOp op;
    std::wstring key;
    std::uint32_t code;
    int times;
  };

  static std::wstring Key(const std::wstring& fullPath);
  static std::wstring Parent(const std::wstring& fullPath);
  Node* Find(const std::wstring& path);
  const Node* Find(const std::wstring& path) const;
  // Raises OsError when a fault applies, the drive is missing or has no medium.
  void Check(FileOp op, const std::wstring& fullPath);
  std::uint32_t CheckCode(FileOp op, const std::wstring& fullPath);
  bool HasMedium(const std::wstring& fullPath);
  std::uint32_t RoomFor(const std::wstring& fullPath, std::uint64_t oldSize,
                        std::uint64_t newSize) const;
  // Raises OsError unless the file exists and may be opened for reading.
  Node& Existing(const std::wstring& fullPath);
  Node& Readable(const std::wstring& fullPath);

  std::vector<Drive> drives_;
  std::map<std::wstring, Node> nodes_;  // by upper-case full path without trailing backslash
  std::vector<Fault> faults_;
  int openHandles_ = 0;
};

}  // namespace platform::sim
