#include "untComm/connection_string.h"

#include "untComm/settings.h"

namespace untComm {

namespace {

// Control characters, the space and Unicode's other white space: a reader of the string may
// trim any of them from an unquoted value.
bool IsBlank(wchar_t c) {
  return c <= L' ' || c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
         c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

bool NeedsQuoting(const std::wstring& password) {
  if (password.empty())
    return false;
  // A leading "=" would join "Password=" as "==", which readers take for an "=" in the key.
  if (IsBlank(password.front()) || IsBlank(password.back()) || password.front() == L'=')
    return true;
  return password.find_first_of(L";\"'") != std::wstring::npos;
}

}  // namespace

std::wstring PasswordValue(const std::wstring& password) {
  if (!NeedsQuoting(password))
    return password;
  std::wstring quoted = L"\"";
  for (wchar_t c : password) {
    quoted += c;
    if (c == L'"')
      quoted += c;
  }
  return quoted + L"\"";
}

std::wstring MakeConnectionString(bool integratedSecurity, const std::wstring& password) {
  if (integratedSecurity)
    return kIntegratedConnectionString;
  return kSaConnectionStringPrefix + PasswordValue(password);
}

void BuildConnectionString(const std::wstring& password) {
  BackupSettings.ConnectionString =
      MakeConnectionString(BackupSettings.UseIntegratedSecurity, password);
}

}  // namespace untComm
