#include "untComm/connection_string.h"

#include "untComm/settings.h"

namespace untComm {

namespace {

bool IsBlank(wchar_t c) {
  return c <= L' ';
}

bool NeedsQuoting(const std::wstring& password) {
  if (password.empty())
    return false;
  if (IsBlank(password.front()) || IsBlank(password.back()))
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
