#pragma once
// Windows path text helpers.
#include <string>

namespace untComm {

// The folder part of a path, with its trailing backslash ("C:\app\x.exe" -> "C:\app\").
std::wstring ExtractFilePath(const std::wstring& path);

// The folder of a path as a current directory: without trailing backslash, except at the
// root of a drive ("C:\app\x.exe" -> "C:\app", "C:\x.exe" -> "C:\").
std::wstring ExtractFileDir(const std::wstring& path);

}  // namespace untComm
