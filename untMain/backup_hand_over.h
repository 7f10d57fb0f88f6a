#pragma once
// Handing the server's backup file over to its destination without ever losing it.
#include <string>

namespace untMain {

// Puts the temporary backup file under the destination name inside `folder`; true when it
// is there. A file of the destination name is never touched or replaced. On the volume of
// the temporary file the file is moved; elsewhere it is copied to a temporary name beside
// the destination, renamed when complete and the temporary backup is deleted. On failure
// nothing partial is left under the destination name and the temporary backup stays.
bool HandOverBackup(const std::wstring& tempFile, const std::wstring& folder,
                    const std::wstring& destination);

// The name a copy has while it is incomplete.
std::wstring PartialCopyName(const std::wstring& destination);

}  // namespace untMain
