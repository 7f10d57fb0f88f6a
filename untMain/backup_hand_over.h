#pragma once
// Handing the server's backup file over to its destination without ever losing it, and
// keeping the temporary folder from growing with backups whose hand-over failed.
#include <string>

namespace untMain {

enum class HandOver {
  Done,     // the backup is under the destination name, the temporary file is gone
  InPlace,  // the destination folder is the temporary folder: the file already is there
  Failed,   // nothing under the destination name; the temporary backup stays
};

// Puts the temporary backup file under the destination name inside `folder`. A file of the
// destination name is never touched or replaced. On the volume of the temporary file the
// file is moved. Elsewhere (or when the move finds another volume after all) it is copied to
// a temporary name beside the destination, flushed, read back from the device and compared;
// only a proven copy gets the destination name, and only then is the temporary backup
// deleted. A copy that cannot fit (free space, FAT's 4 GiB) is not started. On failure
// nothing partial is left and the temporary backup stays.
HandOver HandOverBackup(const std::wstring& tempFile, const std::wstring& folder,
                        const std::wstring& destination);

// The name a copy has while it is unproven: as long as the destination name, so that any
// destination the path limit allows allows it too.
std::wstring PartialCopyName(const std::wstring& destination);

// Deletes the backups of the database in the temporary folder that are older than `stamp`
// (left there by failed hand-overs) and logs each one. Nothing else in the folder is
// touched. A failure stops the clean-up quietly; the next job goes on with it.
void DeleteOlderKeptBackups(const std::wstring& dbname, const std::wstring& stamp);

}  // namespace untMain
