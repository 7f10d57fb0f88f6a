// The backup statement and file names of any database name, read back by T-SQL's rules: the
// statement names exactly that database in one identifier in double quotes and exactly the
// temporary file in one string literal, with nothing after them but " with init"; a
// literal without N holds only characters every code page has (T-SQL reads it in the code
// page of the database's collation). The file name holds no character Windows refuses and
// is no device name.
#include <string>
#include <vector>

#include "fuzz/fuzz_text.h"
#include "fuzz/tsql.h"
#include "untMain/backup_names.h"

namespace {

constexpr wchar_t kStamp[] = L"220609143005";

wchar_t UpperAscii(wchar_t c) {
  return c >= L'a' && c <= L'z' ? c - 32 : c;
}

// CON, PRN, AUX, NUL, COM0-9, LPT0-9 and the superscript COM/LPT numbers, also before an
// extension: Windows reads the part before the first dot, blanks at its end ignored.
bool DeviceName(const std::wstring& name) {
  std::wstring base = name.substr(0, name.find(L'.'));
  while (!base.empty() && base.back() == L' ')
    base.pop_back();
  for (wchar_t& c : base)
    c = UpperAscii(c);
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
    if (base == device)
      return true;
  }
  if (base.size() != 4 || (base.compare(0, 3, L"COM") != 0 && base.compare(0, 3, L"LPT") != 0))
    return false;
  const wchar_t n = base[3];
  return (n >= L'0' && n <= L'9') || n == 0xB9 || n == 0xB2 || n == 0xB3;
}

bool RefusedInFileName(wchar_t c) {
  return c < 0x20 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring dbname =
      fuzz::WideText(std::string(reinterpret_cast<const char*>(data), size));

  const std::wstring file = untMain::BackupFileName(dbname, kStamp);
  if (file.size() < 16 || file.compare(file.size() - 16, 16, std::wstring(kStamp) + L".bak") != 0)
    fuzz::Finding("the file name does not end in the stamp and .bak", dbname, file);
  for (wchar_t c : file) {
    if (RefusedInFileName(c))
      fuzz::Finding("the file name holds a character Windows refuses", dbname, file);
  }
  if (DeviceName(file))
    fuzz::Finding("the file name is a device name", dbname, file);

  const std::wstring temporary = std::wstring(untMain::kTempBackupFolder) + L"\\" + file;
  const std::wstring sql = untMain::BackupStatement(dbname, temporary);
  const auto statement = fuzz::TsqlReader(sql).Backup();
  if (!statement)
    fuzz::Finding("the statement is no BACKUP DATABASE ... TO DISK = '...'", dbname, sql);
  if (statement->databaseDelimiter != L'"' || statement->database != dbname)
    fuzz::Finding("the statement names another database", dbname, sql);
  if (statement->disk != temporary)
    fuzz::Finding("the statement names another file", dbname, sql);
  if (!statement->unicodeLiteral) {
    for (wchar_t c : statement->disk) {
      if (c > 0x7F)
        fuzz::Finding("a literal without N holds a character a code page may lack", dbname, sql);
    }
  }
  if (statement->rest != L" with init")
    fuzz::Finding("the statement goes on after the file", dbname, sql);
  return 0;
}
