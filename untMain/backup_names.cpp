#include "untMain/backup_names.h"

namespace untMain {

namespace {

bool FitsInFileName(wchar_t c) {
  return c >= L' ' && std::wstring_view(L"\\/:*?\"<>|").find(c) == std::wstring_view::npos;
}

std::wstring Doubled(const std::wstring& text, wchar_t quote) {
  std::wstring out;
  for (wchar_t c : text) {
    out += c;
    if (c == quote)
      out += c;
  }
  return out;
}

}  // namespace

std::wstring BackupFileName(const std::wstring& dbname, const std::wstring& stamp) {
  std::wstring name = dbname;
  for (wchar_t& c : name) {
    if (!FitsInFileName(c))
      c = L'_';
  }
  return name + stamp + L".bak";
}

std::wstring BackupStatement(const std::wstring& dbname, const std::wstring& file) {
  return L"BACKUP DATABASE \"" + Doubled(dbname, L'"') + L"\" TO DISK ='" + Doubled(file, L'\'') +
         L"' with init";
}

std::wstring UsbBackupFolder(const std::wstring& root) {
  return !root.empty() && root.back() == L'\\' ? root + L"BACKUP" : root + L"\\BACKUP";
}

}  // namespace untMain
