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

std::optional<std::wstring> BackupStampOf(const std::wstring& fileName,
                                          const std::wstring& dbname) {
  constexpr std::size_t kStampLength = 12;
  const std::wstring prefix = BackupFileName(dbname, L"");
  const std::wstring form = prefix.substr(0, prefix.size() - 4);  // without ".bak"
  if (fileName.size() != prefix.size() + kStampLength || fileName.compare(0, form.size(), form) ||
      fileName.compare(fileName.size() - 4, 4, L".bak")) {
    return std::nullopt;
  }
  const std::wstring stamp = fileName.substr(form.size(), kStampLength);
  for (wchar_t c : stamp) {
    if (c < L'0' || c > L'9')
      return std::nullopt;
  }
  return stamp;
}

std::wstring BackupStatement(const std::wstring& dbname, const std::wstring& file) {
  return L"BACKUP DATABASE \"" + Doubled(dbname, L'"') + L"\" TO DISK ='" + Doubled(file, L'\'') +
         L"' with init";
}

std::wstring UsbBackupFolder(const std::wstring& root) {
  return !root.empty() && root.back() == L'\\' ? root + L"BACKUP" : root + L"\\BACKUP";
}

}  // namespace untMain
