#include "untMain/backup_hand_over.h"

#include <algorithm>
#include <cwctype>
#include <memory>
#include <vector>

#include "platform/error.h"
#include "platform/services.h"
#include "untComm/write_log.h"
#include "untMain/backup_names.h"

namespace untMain {

namespace {

// Reads of the comparison: a multiple of every sector size, large enough to stream.
constexpr std::size_t kCompareChunk = 256 * platform::kDeviceReadUnit;  // 1 MiB
constexpr std::uint64_t kFatFileLimit = 1ull << 32;                     // 4 GiB and more

bool SameText(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::towupper(a[i]) != std::towupper(b[i]))
      return false;
  }
  return true;
}

// When the volumes cannot be told, the file is copied: slower, never wrong.
bool OnSameVolume(platform::FileSystem& files, const std::wstring& file,
                  const std::wstring& folder) {
  try {
    return SameText(files.VolumeRoot(file), files.VolumeRoot(folder));
  } catch (const platform::Exception&) {
    return false;
  }
}

bool IsSameFile(platform::FileSystem& files, const std::wstring& a, const std::wstring& b) {
  try {
    return files.SameFile(a, b);
  } catch (const platform::Exception&) {
    return false;
  }
}

// Whether a copy of `size` bytes can fit into the folder's volume. What cannot be known lets
// the copy try.
bool CanHold(platform::FileSystem& files, const std::wstring& folder, std::uint64_t size) {
  try {
    if (files.FreeBytes(folder) < size)
      return false;
  } catch (const platform::Exception&) {
    // Unknown: the copy itself will tell.
  }
  try {
    const std::wstring fileSystem = files.FileSystemName(files.VolumeRoot(folder));
    // FAT and FAT32 hold files below 4 GiB; exFAT is not limited.
    if (size >= kFatFileLimit && SameText(fileSystem.substr(0, 3), L"FAT"))
      return false;
  } catch (const platform::Exception&) {
    // Unknown: the copy itself will tell.
  }
  return true;
}

std::size_t ComparisonChunk(std::uint64_t fileSize) {
  const std::uint64_t unit = platform::kDeviceReadUnit;
  const std::uint64_t units = std::max<std::uint64_t>(1, (fileSize + unit - 1) / unit);
  return static_cast<std::size_t>(std::min<std::uint64_t>(units * unit, kCompareChunk));
}

// Whether the copy as the device holds it equals the temporary backup, byte for byte.
bool DeviceHoldsTheSame(platform::FileSystem& files, const std::wstring& tempFile,
                        const std::wstring& copy) {
  const std::unique_ptr<platform::File> expected = files.OpenForRead(tempFile);
  const std::unique_ptr<platform::File> actual = files.OpenFromDevice(copy);
  if (expected->Size() != actual->Size())
    return false;
  // Two buffers for the whole file: a fresh one per read costs more than the read itself.
  // A small file needs no more than its size, in whole device reads.
  const std::size_t chunk = ComparisonChunk(expected->Size());
  std::vector<char> want(chunk);
  std::vector<char> got(chunk);
  for (;;) {
    const std::size_t wanted = expected->ReadInto(want.data(), want.size());
    const std::size_t read = actual->ReadInto(got.data(), got.size());
    if (read != wanted || !std::equal(want.begin(), want.begin() + wanted, got.begin()))
      return false;
    if (wanted == 0)
      return true;
  }
}

bool Move(platform::FileSystem& files, const std::wstring& from, const std::wstring& to) {
  try {
    files.Move(from, to);
    return true;
  } catch (const platform::Exception&) {
    return false;
  }
}

bool ProvenCopy(platform::FileSystem& files, const std::wstring& tempFile,
                const std::wstring& folder, const std::wstring& destination) {
  try {
    if (!CanHold(files, folder, files.FileSize(tempFile)))
      return false;
  } catch (const platform::Exception&) {
    return false;  // the temporary backup cannot be read
  }

  const std::wstring partial = PartialCopyName(destination);
  try {
    files.Copy(tempFile, partial, true);
  } catch (const platform::OsError& error) {
    // A file of that name that was there before is not ours to remove.
    if (error.Code() != platform::error::kFileExists)
      files.Delete(partial);
    return false;
  } catch (const platform::Exception&) {
    files.Delete(partial);
    return false;
  }

  bool proven = false;
  try {
    files.FlushToDevice(partial);
    proven = DeviceHoldsTheSame(files, tempFile, partial);
  } catch (const platform::Exception&) {
    proven = false;  // a copy that cannot be read back is no copy
  }
  if (!proven || !Move(files, partial, destination)) {
    files.Delete(partial);
    return false;
  }
  files.Delete(tempFile);
  return true;
}

}  // namespace

std::wstring PartialCopyName(const std::wstring& destination) {
  const std::size_t dot = destination.find_last_of(L".\\");
  if (dot == std::wstring::npos || destination[dot] != L'.')
    return destination + L".tmp";
  return destination.substr(0, dot) + L".tmp";
}

HandOver HandOverBackup(const std::wstring& tempFile, const std::wstring& folder,
                        const std::wstring& destination) {
  platform::FileSystem& files = *platform::Current().files;
  if (files.FileExists(destination))
    return IsSameFile(files, tempFile, destination) ? HandOver::InPlace : HandOver::Failed;

  if (OnSameVolume(files, tempFile, folder)) {
    try {
      files.Move(tempFile, destination);
      return HandOver::Done;
    } catch (const platform::OsError& error) {
      // A junction, link or mounted folder on the way leads to another volume after all.
      if (error.Code() != platform::error::kNotSameDevice)
        return HandOver::Failed;
    } catch (const platform::Exception&) {
      return HandOver::Failed;
    }
  }
  return ProvenCopy(files, tempFile, folder, destination) ? HandOver::Done : HandOver::Failed;
}

void DeleteOlderKeptBackups(const std::wstring& dbname, const std::wstring& stamp) {
  platform::FileSystem& files = *platform::Current().files;
  try {
    std::vector<std::wstring> names = files.FileNames(kTempBackupFolder);
    std::sort(names.begin(), names.end());
    for (const std::wstring& name : names) {
      const auto kept = BackupStampOf(name, dbname);
      if (!kept || *kept >= stamp)
        continue;
      const std::wstring file = std::wstring(kTempBackupFolder) + L"\\" + name;
      if (files.Delete(file))
        untComm::WriteLog(L"已删除较早的临时备份文件: " + file);
    }
  } catch (const platform::Exception&) {
    // Folder unreadable or log unwritable: what is left goes at the next job.
  }
}

}  // namespace untMain
