// Connection strings built from any password, read back by the rules of OLE DB connection
// strings: exactly the template's keys and values come out, the password unchanged; a
// password without ; " ' , without blanks at its ends and not beginning with = is appended
// as it is.
#include <string>

#include "fuzz/fuzz_text.h"
#include "fuzz/ole_db.h"
#include "untComm/connection_string.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring password =
      fuzz::WideText(std::string(reinterpret_cast<const char*>(data), size));
  // No password holds a NUL: the password box and the settings file both end text there.
  if (password.find(L'\0') != std::wstring::npos)
    return 0;

  const std::wstring sa = untComm::MakeConnectionString(false, password);
  const fuzz::Properties want{{L"Provider", L"SQLOLEDB.1"},
                              {L"Persist Security Info", L"true"},
                              {L"Initial Catalog", L"master"},
                              {L"Data Source", L"(local)"},
                              {L"User ID", L"sa"},
                              {L"Password", password}};
  const auto read = fuzz::ReadConnectionString(sa);
  if (!read)
    fuzz::Finding("the connection string cannot be read", password, sa);
  if (*read != want)
    fuzz::Finding("the connection string holds other properties", password, sa);

  const bool ordinary =
      password.find_first_of(L";\"'") == std::wstring::npos &&
      (password.empty() || (!fuzz::ConnectionBlank(password.front()) &&
                            !fuzz::ConnectionBlank(password.back()) && password.front() != L'='));
  if (ordinary && sa != std::wstring(untComm::kSaConnectionStringPrefix) + password)
    fuzz::Finding("an ordinary password is not appended as it is", password, sa);

  const std::wstring integrated = untComm::MakeConnectionString(true, password);
  const fuzz::Properties windows{{L"Provider", L"SQLOLEDB.1"},
                                 {L"Integrated Security", L"SSPI"},
                                 {L"Persist Security Info", L"False"},
                                 {L"Initial Catalog", L"master"},
                                 {L"Data Source", L"(local)"}};
  if (fuzz::ReadConnectionString(integrated) != windows)
    fuzz::Finding("the integrated connection string changed", password, integrated);
  return 0;
}
