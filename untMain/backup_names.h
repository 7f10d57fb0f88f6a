#pragma once
// The texts a backup job is made of: file names, the backup statement, the folder on a
// removable drive.
#include <optional>
#include <string>

namespace untMain {

// The folder the server writes every backup into, on the machine's own drive C:.
inline constexpr wchar_t kTempBackupFolder[] = L"c:\\tempbak";

// The database name, the stamp and ".bak"; a character that cannot stand in a Windows file
// name (\ / : * ? " < > | and control characters) becomes "_".
std::wstring BackupFileName(const std::wstring& dbname, const std::wstring& stamp);

// The stamp of a file name this program makes for the database (BackupFileName with twelve
// digits), or nothing for every other name. Letter case counts: the server was given exactly
// that name.
std::optional<std::wstring> BackupStampOf(const std::wstring& fileName, const std::wstring& dbname);

// BACKUP DATABASE "<dbname>" TO DISK ='<file>' with init: a '"' inside the name and a "'"
// inside the file name are doubled, so that no name can end its quotes early.
std::wstring BackupStatement(const std::wstring& dbname, const std::wstring& file);

// The folder BACKUP at the root of a drive: "G:\" and "G:" both give "G:\BACKUP".
std::wstring UsbBackupFolder(const std::wstring& root);

}  // namespace untMain
