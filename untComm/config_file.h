#pragma once
// The settings file object: every read and write goes straight to the initialisation-file
// service, the name resolved against the current directory at each access.
#include <memory>
#include <string>

namespace untComm {

class TIniFile {
 public:
  explicit TIniFile(std::wstring fileName) : fileName_(std::move(fileName)) {}
  const std::wstring& FileName() const { return fileName_; }

  std::wstring ReadString(const std::wstring& Section, const std::wstring& Ident,
                          const std::wstring& Default) const;
  bool ReadBool(const std::wstring& Section, const std::wstring& Ident, bool Default) const;
  // Raise EIniFileException "Unable to write to <file name>" when the service refuses.
  void WriteString(const std::wstring& Section, const std::wstring& Ident,
                   const std::wstring& Value) const;
  void WriteBool(const std::wstring& Section, const std::wstring& Ident, bool Value) const;

 private:
  std::wstring fileName_;
};

inline constexpr wchar_t kConfigFileName[] = L".\\config.ini";
inline constexpr wchar_t kConfigSection[] = L"CONFIG";

// Created by the start-up sequence and never released before the process ends.
extern std::unique_ptr<TIniFile> ConfigFile;

}  // namespace untComm
