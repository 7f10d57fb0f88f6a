#pragma once
// The OLE DB connection strings of the local SQL Server instance: Windows integrated security,
// or the server's sa login with a password.
#include <string>

namespace untComm {

inline constexpr wchar_t kIntegratedConnectionString[] =
    L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
    L"Initial Catalog=master;Data Source=(local)";
inline constexpr wchar_t kSaConnectionStringPrefix[] =
    L"Provider=SQLOLEDB.1;Persist Security Info=true;Initial Catalog=master;"
    L"Data Source=(local);User ID=sa;Password=";

// The password as it stands after "Password=": unchanged when it holds no ; " ' and has no
// blank (control characters and any Unicode white space) at either end and does not begin
// with "=", otherwise in double quotes with embedded quotes doubled, so that no password can
// end the value and add properties of its own.
std::wstring PasswordValue(const std::wstring& password);

// The integrated template, or the sa template followed by the password's value.
std::wstring MakeConnectionString(bool integratedSecurity, const std::wstring& password);

// Sets BackupSettings.ConnectionString after BackupSettings.UseIntegratedSecurity.
void BuildConnectionString(const std::wstring& password);

}  // namespace untComm
