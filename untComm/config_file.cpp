#include "untComm/config_file.h"

#include "platform/services.h"
#include "untComm/conversions.h"
#include "untComm/exceptions.h"

namespace untComm {

std::unique_ptr<TIniFile> ConfigFile;

std::wstring TIniFile::ReadString(const std::wstring& Section, const std::wstring& Ident,
                                  const std::wstring& Default) const {
  return platform::Current().profile->ReadString(fileName_, Section, Ident, Default);
}

bool TIniFile::ReadBool(const std::wstring& Section, const std::wstring& Ident,
                        bool Default) const {
  std::wstring text = ReadString(Section, Ident, L"");
  if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
    text.replace(0, 2, L"$");
  }
  const auto number = TryStrToInt(text);
  return number ? *number != 0 : Default;
}

void TIniFile::WriteString(const std::wstring& Section, const std::wstring& Ident,
                           const std::wstring& Value) const {
  if (!platform::Current().profile->WriteString(fileName_, Section, Ident, Value)) {
    throw EIniFileException(L"Unable to write to " + fileName_);
  }
}

void TIniFile::WriteBool(const std::wstring& Section, const std::wstring& Ident, bool Value) const {
  WriteString(Section, Ident, Value ? L"1" : L"0");
}

}  // namespace untComm
