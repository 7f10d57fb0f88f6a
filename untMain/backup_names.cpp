#include "untMain/backup_names.h"

namespace untMain {

namespace {

bool FitsInFileName(wchar_t c) {
  return c >= L' ' && std::wstring_view(L"\\/:*?\"<>|").find(c) == std::wstring_view::npos;
}

wchar_t UpperAscii(wchar_t c) {
  return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// Windows opens a device for a name whose part before the first dot, blanks at its end
// ignored, is CON, PRN, AUX, NUL, CONIN$, CONOUT$, or COM or LPT with a digit or a
// superscript 1, 2 or 3: a backup named so would go to the device, not into a file.
bool IsDeviceName(std::wstring base) {
  while (!base.empty() && base.back() == L' ')
    base.pop_back();
  for (wchar_t& c : base)
    c = UpperAscii(c);
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
    if (base == device)
      return true;
  }
  const bool port = base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT"));
  const wchar_t n = port ? base[3] : L'\0';
  return port && ((n >= L'0' && n <= L'9') || n == 0xB9 || n == 0xB2 || n == 0xB3);
}

bool HasNonAscii(const std::wstring& text) {
  for (wchar_t c : text) {
    if (c > 0x7F)
      return true;
  }
  return false;
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
  // Only a name with a dot can end up a device name, as the stamp follows the name.
  const std::size_t dot = name.find(L'.');
  if (dot != std::wstring::npos && IsDeviceName(name.substr(0, dot))) {
    const std::size_t end = name.find_last_not_of(L' ', dot - 1);
    name.insert(end == std::wstring::npos ? 0 : end + 1, 1, L'_');
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
  // A literal without N is read in the code page of the database's collation, which may lack
  // a character of the name; N keeps every character. ASCII names keep the plain literal.
  const wchar_t* open = HasNonAscii(file) ? L"N'" : L"'";
  return L"BACKUP DATABASE \"" + Doubled(dbname, L'"') + L"\" TO DISK =" + open +
         Doubled(file, L'\'') + L"' with init";
}

std::wstring UsbBackupFolder(const std::wstring& root) {
  return !root.empty() && root.back() == L'\\' ? root + L"BACKUP" : root + L"\\BACKUP";
}

}  // namespace untMain
