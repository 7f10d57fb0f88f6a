// The settings file and the activity log over the real Windows services (under Wine at
// LANG=zh_CN.UTF-8: ANSI code page 936, zh-CN time format).
#include <gtest/gtest.h>

#include "platform/win32/handle.h"
#include "tests/win32/adapter_test_main.h"
#include "untComm/config_file.h"
#include "untComm/exceptions.h"
#include "untComm/load_config.h"
#include "untComm/paths.h"
#include "untComm/settings.h"
#include "untComm/time_format.h"
#include "untComm/write_log.h"

using win32test::ReadBytes;

namespace {

class SettingsFileTest : public ::testing::Test {
 protected:
  SettingsFileTest() {
    previous_ = real_.system.CurrentDirectory();
    real_.system.ChangeDirectory(folder_.Path());
    untComm::ConfigFile = std::make_unique<untComm::TIniFile>(untComm::kConfigFileName);
    untComm::BackupSettings = {};
  }
  ~SettingsFileTest() override {
    untComm::ConfigFile.reset();
    real_.system.ChangeDirectory(previous_);
  }

  win32test::RealPlatform real_;
  win32test::TempFolder folder_;
  std::wstring previous_;
};

TEST_F(SettingsFileTest, ChineseValuesRoundTripThroughTheRealService) {
  untComm::ConfigFile->WriteString(L"CONFIG", L"LABEL", L"备份U盘");
  untComm::ConfigFile->WriteBool(L"CONFIG", L"MUSTLABEL", false);
  untComm::ConfigFile->WriteString(L"CONFIG", L"BACKUP_PATH", L"D:\\数据\\");
  untComm::LoadConfig();
  EXPECT_EQ(untComm::BackupSettings.UsbLabel, L"备份U盘");
  EXPECT_FALSE(untComm::BackupSettings.MustLabel);
  EXPECT_EQ(untComm::BackupSettings.BackupPath, L"D:\\数据");
  // The new file was started as UTF-16LE, so it holds every character.
  const std::string bytes = ReadBytes(folder_ / L"config.ini");
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
}

TEST_F(SettingsFileTest, AFileInTheAnsiCodePageIsReadWithItsDefaults) {
  // [CONFIG] LABEL=财务 in GBK, an empty BACKUP_PASS, no other key.
  win32test::WriteBytes(folder_ / L"config.ini",
                        "[CONFIG]\r\nLABEL=\xb2\xc6\xce\xf1\r\nBACKUP_PASS=\r\n");
  untComm::LoadConfig();
  EXPECT_EQ(untComm::BackupSettings.UsbLabel, L"财务");
  EXPECT_EQ(untComm::BackupSettings.BackupPass, L"");
  EXPECT_EQ(untComm::BackupSettings.BackupDbName, L"master");
  EXPECT_EQ(untComm::BackupSettings.BackupTime, L"6");
}

TEST_F(SettingsFileTest, AValueIsCutAt2047Characters) {
  win32test::WriteBytes(folder_ / L"config.ini",
                        "[CONFIG]\r\nBACKUP_LIST=" + std::string(3000, 'x') + "\r\n");
  untComm::LoadConfig();
  EXPECT_EQ(untComm::BackupSettings.BackupDbName, std::wstring(2047, L'x'));
}

TEST_F(SettingsFileTest, AWriteIntoAMissingFolderRaisesTheIniError) {
  untComm::TIniFile ini(L".\\missing\\config.ini");
  try {
    ini.WriteString(L"CONFIG", L"LABEL", L"x");
    FAIL() << "no exception";
  } catch (const untComm::EIniFileException& e) {
    EXPECT_EQ(e.Message(), L"Unable to write to .\\missing\\config.ini");
  }
}

class ActivityLogTest : public ::testing::Test {
 protected:
  ActivityLogTest() {
    untComm::ForgetLocaleFormats();
    folder_ = untComm::ExtractFilePath(real_.system.ModuleFileName()) + L"log\\";
  }
  std::wstring TodaysFile() {
    return folder_ + untComm::FormatLogDate(real_.system.LocalTime()) + L".txt";
  }

  win32test::RealPlatform real_;
  std::wstring folder_;
};

TEST_F(ActivityLogTest, ALineIsGbkWithAZeroPaddedTime) {
  ASSERT_EQ(GetACP(), 936u) << "the Wine tests run at LANG=zh_CN.UTF-8";
  const std::wstring file = TodaysFile();
  DeleteFileW(file.c_str());
  untComm::WriteLog(L"程序启动。");
  const std::string bytes = ReadBytes(file);
  // hh:mm:ss, blank, GBK of 程序启动。, CR LF; no byte-order mark.
  ASSERT_EQ(bytes.size(), 8u + 1 + 10 + 2) << bytes;
  EXPECT_EQ(bytes[2], ':');
  EXPECT_EQ(bytes[5], ':');
  EXPECT_TRUE(isdigit(static_cast<unsigned char>(bytes[0])) &&
              isdigit(static_cast<unsigned char>(bytes[1])));
  EXPECT_EQ(bytes.substr(8), " \xb3\xcc\xd0\xf2\xc6\xf4\xb6\xaf\xa1\xa3\r\n");
}

TEST_F(ActivityLogTest, AFileHeldOpenWithoutSharingRaisesIoError32) {
  const std::wstring file = TodaysFile();
  untComm::WriteLog(L"before");
  platform::win32::UniqueHandle holder(
      CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder.valid());
  try {
    untComm::WriteLog(L"blocked");
    FAIL() << "no exception";
  } catch (const untComm::EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), 32u);
    EXPECT_EQ(e.Message(), L"I/O error 32");
  }
  holder.reset();
  untComm::WriteLog(L"after");  // nothing stayed open
}

TEST_F(ActivityLogTest, ACtrlZNearTheEndIsCutBeforeAppending) {
  const std::wstring file = TodaysFile();
  CreateDirectoryW(folder_.c_str(), nullptr);
  win32test::WriteBytes(file, "old\r\n\x1Atrailing");
  untComm::WriteLog(L"new");
  const std::string bytes = ReadBytes(file);
  EXPECT_EQ(bytes.substr(0, 5), "old\r\n");
  EXPECT_EQ(bytes.substr(bytes.size() - 6), " new\r\n");
  EXPECT_EQ(bytes.find('\x1A'), std::string::npos);
}

}  // namespace
