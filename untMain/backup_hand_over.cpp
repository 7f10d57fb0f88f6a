#include "untMain/backup_hand_over.h"

#include <cwctype>

#include "platform/error.h"
#include "platform/services.h"

namespace untMain {

namespace {

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

bool MoveWithoutReplacing(platform::FileSystem& files, const std::wstring& from,
                          const std::wstring& to) {
  try {
    files.Move(from, to);
    return true;
  } catch (const platform::Exception&) {
    return false;
  }
}

bool CopyToPartialName(platform::FileSystem& files, const std::wstring& from,
                       const std::wstring& partial) {
  try {
    files.Copy(from, partial, true);
    return true;
  } catch (const platform::OsError& error) {
    // A file of that name that was there before is not ours to remove.
    if (error.Code() != platform::error::kFileExists)
      files.Delete(partial);
    return false;
  } catch (const platform::Exception&) {
    files.Delete(partial);
    return false;
  }
}

}  // namespace

std::wstring PartialCopyName(const std::wstring& destination) {
  return destination + L".partial";
}

bool HandOverBackup(const std::wstring& tempFile, const std::wstring& folder,
                    const std::wstring& destination) {
  platform::FileSystem& files = *platform::Current().files;
  if (files.FileExists(destination))
    return false;

  if (OnSameVolume(files, tempFile, folder))
    return MoveWithoutReplacing(files, tempFile, destination);

  const std::wstring partial = PartialCopyName(destination);
  if (!CopyToPartialName(files, tempFile, partial))
    return false;
  if (!MoveWithoutReplacing(files, partial, destination)) {
    files.Delete(partial);
    return false;
  }
  files.Delete(tempFile);
  return true;
}

}  // namespace untMain
