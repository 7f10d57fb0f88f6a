// The settings file: how each key is read into BackupSettings and how flags are written.
#include "platform/sim/encoding.h"
#include "platform/sim/profile.h"
#include "tests/sim_test.h"
#include "untComm/exceptions.h"
#include "untComm/load_config.h"

using untComm::BackupSettings;
using untComm::ConfigFile;
using untComm::TIniFile;

namespace {

class SettingsTest : public SimTest {
 protected:
  SettingsTest() {
    world.files.currentDirectory = L"C:\\Tavrix";
    ConfigFile = std::make_unique<TIniFile>(untComm::kConfigFileName);
  }
  // Lays down config.ini in the ANSI code page, as a user's editor would.
  void WriteConfig(const std::wstring& body) {
    world.files.PutFile(L"C:\\Tavrix\\config.ini",
                        platform::sim::WideToCodePage(L"[CONFIG]\r\n" + body, 936));
  }
};

TEST_F(SettingsTest, WithoutAFileEveryFieldTakesItsDefaultAndNoFileIsCreated) {
  untComm::LoadConfig();
  EXPECT_EQ(BackupSettings.OemName, L"【Hemlow软件】");
  EXPECT_TRUE(BackupSettings.MustLabel);
  EXPECT_EQ(BackupSettings.UsbLabel, L"备份U盘");
  EXPECT_EQ(BackupSettings.BackupDbName, L"master");
  EXPECT_TRUE(BackupSettings.BackupAllDb);
  EXPECT_TRUE(BackupSettings.BackupAutoStart);
  EXPECT_FALSE(BackupSettings.BackupAtStartup);
  EXPECT_EQ(BackupSettings.BackupPass, L"******");
  EXPECT_EQ(BackupSettings.BackupTime, L"6");
  EXPECT_EQ(BackupSettings.BackupPath, L"E:\\BACKUP");
  EXPECT_TRUE(BackupSettings.UseIntegratedSecurity);
  EXPECT_TRUE(BackupSettings.BackupToUsb);
  EXPECT_TRUE(BackupSettings.DeleteBackupFile);
  EXPECT_TRUE(BackupSettings.ConnectionString.empty());
  EXPECT_FALSE(world.files.Exists(L"C:\\Tavrix\\config.ini"));
}

TEST_F(SettingsTest, TheFileIsFoundThroughTheCurrentDirectory) {
  platform::sim::Drive d;
  d.letter = L'D';
  world.files.AddDrive(d);
  world.files.MakeDirectories(L"D:\\elsewhere");
  world.files.PutFile(L"D:\\elsewhere\\config.ini", "[CONFIG]\r\nBACKUP_LIST=pos\r\n");
  world.files.currentDirectory = L"D:\\elsewhere";
  untComm::LoadConfig();
  EXPECT_EQ(BackupSettings.BackupDbName, L"pos");
}

struct FlagCase {
  const wchar_t* text;  // nullptr: the key is missing
  bool whenDefaultTrue;
  bool whenDefaultFalse;
};

class ReadBoolTest : public SettingsTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(ReadBoolTest, ConvertsLikeAnIntegerOrFallsBackToTheDefault) {
  const FlagCase& c = GetParam();
  if (c.text)
    WriteConfig(std::wstring(L"FLAG=") + c.text + L"\r\n");
  EXPECT_EQ(ConfigFile->ReadBool(L"CONFIG", L"FLAG", true), c.whenDefaultTrue)
      << (c.text ? c.text : L"missing");
  EXPECT_EQ(ConfigFile->ReadBool(L"CONFIG", L"FLAG", false), c.whenDefaultFalse);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, ReadBoolTest,
    ::testing::Values(
        FlagCase{L"1", true, true}, FlagCase{L"2", true, true}, FlagCase{L"-1", true, true},
        FlagCase{L"0x10", true, true}, FlagCase{L"0X10", true, true}, FlagCase{L"$1F", true, true},
        FlagCase{L" 7", true, true}, FlagCase{L"0", false, false}, FlagCase{L"0x0", false, false},
        FlagCase{L"-0", false, false}, FlagCase{L"7 x", true, false}, FlagCase{L"yes", true, false},
        FlagCase{L"true", true, false}, FlagCase{L"", true, false}, FlagCase{nullptr, true, false},
        FlagCase{L"2147483648", true, false}, FlagCase{L"0x", true, false},
        FlagCase{L"$", true, false}, FlagCase{L"-2147483648", true, true}));

TEST_F(SettingsTest, FlagsFromTheFileFollowTheirOwnDefaults) {
  WriteConfig(L"MUSTLABEL=yes\r\nBACKUP_STARTBACKUP=yes\r\nBACKUP_USB=0\r\nBACKUP_ALLDB=0x0\r\n");
  untComm::LoadConfig();
  EXPECT_TRUE(BackupSettings.MustLabel);
  EXPECT_FALSE(BackupSettings.BackupAtStartup);
  EXPECT_FALSE(BackupSettings.BackupToUsb);
  EXPECT_FALSE(BackupSettings.BackupAllDb);
}

class BackupPathTest
    : public SettingsTest,
      public ::testing::WithParamInterface<std::pair<const wchar_t*, const wchar_t*>> {};

TEST_P(BackupPathTest, OneTrailingBackslashIsRemoved) {
  WriteConfig(std::wstring(L"BACKUP_PATH=") + GetParam().first + L"\r\n");
  untComm::LoadConfig();
  EXPECT_EQ(BackupSettings.BackupPath, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Paths, BackupPathTest,
                         ::testing::Values(std::pair{L"E:\\BACKUP\\", L"E:\\BACKUP"},
                                           std::pair{L"E:\\BACKUP\\\\", L"E:\\BACKUP\\"},
                                           std::pair{L"E:\\", L"E:"}, std::pair{L"\\", L""},
                                           std::pair{L"D:\\数据\\备份", L"D:\\数据\\备份"}));

TEST_F(SettingsTest, AnEmptyValueIsEmptyTextNotTheDefault) {
  WriteConfig(L"LABEL=\r\nBACKUP_PASS=\r\n");
  untComm::LoadConfig();
  EXPECT_EQ(BackupSettings.UsbLabel, L"");
  EXPECT_EQ(BackupSettings.BackupPass, L"");
  EXPECT_EQ(BackupSettings.BackupDbName, L"master");
}

TEST_F(SettingsTest, ChineseValuesInTheAnsiCodePageAreRead) {
  WriteConfig(L"LABEL=财务备份\r\nOEM=【某某公司】\r\n");
  untComm::LoadConfig();
  EXPECT_EQ(BackupSettings.UsbLabel, L"财务备份");
  EXPECT_EQ(BackupSettings.OemName, L"【某某公司】");
}

TEST_F(SettingsTest, AValueIsReadThroughA2048UnitBuffer) {
  const std::wstring longValue(3000, L'x');
  WriteConfig(L"BACKUP_LIST=" + longValue + L"\r\n");
  untComm::LoadConfig();
  EXPECT_EQ(BackupSettings.BackupDbName, longValue.substr(0, 2047));
}

TEST_F(SettingsTest, WrittenValuesReadBackUnchangedAndFlagsAreOneOrZero) {
  ConfigFile->WriteString(L"CONFIG", L"LABEL", L"备份U盘 ");
  ConfigFile->WriteString(L"CONFIG", L"BACKUP_PASS", L"p;w=\"x\"");
  ConfigFile->WriteBool(L"CONFIG", L"BACKUP_USB", true);
  ConfigFile->WriteBool(L"CONFIG", L"MUSTLABEL", false);
  EXPECT_EQ(ConfigValue(L"LABEL"), L"备份U盘");  // surrounding blanks are the service's
  EXPECT_EQ(ConfigValue(L"BACKUP_PASS"), L"p;w=\"x\"");
  EXPECT_EQ(ConfigValue(L"BACKUP_USB"), L"1");
  EXPECT_EQ(ConfigValue(L"MUSTLABEL"), L"0");
  untComm::LoadConfig();
  EXPECT_TRUE(BackupSettings.BackupToUsb);
  EXPECT_FALSE(BackupSettings.MustLabel);
}

TEST_F(SettingsTest, ARefusedWriteRaisesWithTheFileNameAsHeld) {
  world.files.InjectFault(platform::sim::FileOp::ProfileWrite, L"C:\\Tavrix\\config.ini", 5);
  try {
    ConfigFile->WriteString(L"CONFIG", L"LABEL", L"x");
    FAIL() << "no exception";
  } catch (const untComm::EIniFileException& e) {
    EXPECT_EQ(e.Message(), L"Unable to write to .\\config.ini");
  }
  EXPECT_THROW(ConfigFile->WriteBool(L"CONFIG", L"MUSTLABEL", true), untComm::EIniFileException);
}

TEST_F(SettingsTest, OtherSectionsAndUnknownKeysAreLeftAlone) {
  world.files.PutFile(L"C:\\Tavrix\\config.ini",
                      "; note\r\n[OTHER]\r\nLABEL=no\r\n[config]\r\nEXTRA=1\r\nlabel=yes\r\n");
  EXPECT_EQ(ConfigFile->ReadString(L"CONFIG", L"LABEL", L"d"), L"yes");
  ConfigFile->WriteString(L"CONFIG", L"LABEL", L"new");
  EXPECT_EQ(ConfigFile->ReadString(L"OTHER", L"LABEL", L"d"), L"no");
  EXPECT_EQ(ConfigFile->ReadString(L"CONFIG", L"EXTRA", L"d"), L"1");
  EXPECT_EQ(ConfigFile->ReadString(L"CONFIG", L"LABEL", L"d"), L"new");
}

}  // namespace
