#include "untComm/paths.h"

namespace untComm {

std::wstring ExtractFilePath(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\:");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring ExtractFileDir(const std::wstring& path) {
  std::wstring dir = ExtractFilePath(path);
  const bool driveRoot = dir.size() == 3 && dir[1] == L':';
  if (!dir.empty() && dir.back() == L'\\' && !driveRoot)
    dir.pop_back();
  return dir;
}

}  // namespace untComm
