// LoadConfig over any bytes in config.ini, read through the simulated initialisation-file
// service: it never fails, every text is the service's value within 2047 characters (the
// folder without one trailing backslash), every flag is what the rules make of its text, and
// the file is only read.
#include <string>
#include <vector>

#include "fuzz/fuzz_text.h"
#include "fuzz/reference_rules.h"
#include "platform/sim/world.h"
#include "untComm/config_file.h"
#include "untComm/load_config.h"
#include "untComm/settings.h"

namespace {

constexpr wchar_t kFolder[] = L"C:\\Tavrix";
constexpr wchar_t kFile[] = L"C:\\Tavrix\\config.ini";
constexpr std::size_t kLimit = 2047;

struct TextKey {
  const wchar_t* key;
  const wchar_t* defaultValue;
  std::wstring untComm::TBackupSettings::*field;
};

struct FlagKey {
  const wchar_t* key;
  bool defaultValue;
  bool untComm::TBackupSettings::*field;
};

using S = untComm::TBackupSettings;
const std::vector<TextKey> kTexts{
    {L"OEM", L"【Hemlow软件】", &S::OemName},      {L"LABEL", L"备份U盘", &S::UsbLabel},
    {L"BACKUP_LIST", L"master", &S::BackupDbName}, {L"BACKUP_PASS", L"******", &S::BackupPass},
    {L"BACKUP_TIME", L"6", &S::BackupTime},        {L"BACKUP_PATH", L"E:\\BACKUP", &S::BackupPath},
};
const std::vector<FlagKey> kFlags{
    {L"MUSTLABEL", true, &S::MustLabel},
    {L"BACKUP_ALLDB", true, &S::BackupAllDb},
    {L"BACKUP_AUTOSTART", true, &S::BackupAutoStart},
    {L"BACKUP_STARTBACKUP", false, &S::BackupAtStartup},
    {L"BACKUP_ISW", true, &S::UseIntegratedSecurity},
    {L"BACKUP_USB", true, &S::BackupToUsb},
    {L"DELETE_BACKUP_FILE", true, &S::DeleteBackupFile},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  // The first byte picks the ANSI code page a file without byte-order mark is read in.
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  platform::sim::World world;
  world.system.codePage = data[0] & 1 ? 1252 : 936;
  world.files.PutFile(kFile, bytes);
  world.files.currentDirectory = kFolder;
  untComm::BackupSettings = {};
  untComm::ConfigFile = std::make_unique<untComm::TIniFile>(untComm::kConfigFileName);

  untComm::LoadConfig();

  const S& s = untComm::BackupSettings;
  auto service = [&](const wchar_t* key, const std::wstring& defaultValue) {
    return world.profile.ReadString(kFile, untComm::kConfigSection, key, defaultValue);
  };
  for (const TextKey& t : kTexts) {
    std::wstring want = service(t.key, t.defaultValue);
    if (t.field == &S::BackupPath && !want.empty() && want.back() == L'\\')
      want.pop_back();
    if (s.*t.field != want)
      fuzz::Finding("a text is not the file's value", s.*t.field,
                    std::wstring(t.key) + L": " + want);
    if ((s.*t.field).size() > kLimit)
      fuzz::Finding("a text is longer than 2047 characters", t.key);
  }
  for (const FlagKey& f : kFlags) {
    if (s.*f.field != fuzz::ReferenceFlag(service(f.key, L""), f.defaultValue))
      fuzz::Finding("a flag is not what the rules give", service(f.key, L""), f.key);
  }
  if (!s.ConnectionString.empty())
    fuzz::Finding("loading built a connection string", s.ConnectionString);
  if (world.files.Contents(kFile) != bytes || world.files.List(kFolder).size() != 1)
    fuzz::Finding("loading changed the folder", L"");
  untComm::ConfigFile.reset();
  return 0;
}
