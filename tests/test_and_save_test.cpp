// The Test and Save buttons: a real backup with the values on screen and its notices; the
// values written to config.ini, as the next start reads them.
#include <functional>

#include "platform/sim/encoding.h"
#include "platform/sim/profile.h"
#include "tests/backup_engine_fixture.h"
#include "untComm/config_file.h"
#include "untComm/connection_string.h"
#include "untComm/exceptions.h"
#include "untComm/load_config.h"

using platform::sim::FileOp;
using platform::sim::SimButton;
using untComm::BackupSettings;
using untComm::kIntegratedConnectionString;
using untComm::kSaConnectionStringPrefix;

namespace {

constexpr wchar_t kConfig[] = L"C:\\Tavrix\\config.ini";

class TestAndSaveTest : public BackupEngineTest {
 protected:
  TestAndSaveTest() {
    world.files.currentDirectory = L"C:\\Tavrix";
    untComm::ConfigFile = std::make_unique<untComm::TIniFile>(untComm::kConfigFileName);
    BackupSettings = {};
    BackupSettings.ConnectionString = L"as loaded";
    main->chkALLDB.SetChecked(false);
    main->edtDB.SetText(L"master");
    main->chkBacktousb.SetChecked(false);
    main->edtBackupPath.SetText(L"D:\\bak");
    main->edtLabel.SetText(L"备份U盘");
    // What the check boxes' own handlers logged while the window was set up.
    world.files.Remove(L"C:\\Tavrix\\log");
  }

  std::vector<std::wstring> BoxTexts() const {
    std::vector<std::wstring> texts;
    for (const auto& box : world.ui.boxes)
      texts.push_back(box.text);
    return texts;
  }
  void ClickTest() { dynamic_cast<SimButton&>(main->btn4).UserClick(); }
  void ClickSave() { dynamic_cast<SimButton&>(main->btn3).UserClick(); }
  // The message of what btn3Click raises, or "" when it raises nothing.
  std::wstring SaveError() {
    try {
      main->btn3Click();
    } catch (const platform::Exception& error) {
      return error.Message();
    }
    return L"";
  }
  std::wstring ConfigText() const {
    return platform::sim::DecodeTextFile(world.files.Contents(kConfig).value_or(""), 936);
  }
};

// --- Test ---

struct TestCase {
  const char* name;
  std::function<void(TestAndSaveTest&, untMain::TfrmMain&, platform::sim::World&)> arrange;
  std::vector<std::wstring> boxes;
  const wchar_t* backupFile;  // where the backup lands; nullptr: no backup is made
  bool serverAsked = true;
};

class TestButtonTest : public TestAndSaveTest, public ::testing::WithParamInterface<TestCase> {};

TEST_P(TestButtonTest, BacksUpWithTheWindowsValuesAndTellsTheOutcome) {
  GetParam().arrange(*this, *main, world);
  const bool saveBefore = main->btn3.Enabled();
  ClickTest();
  EXPECT_EQ(BoxTexts(), GetParam().boxes) << GetParam().name;
  const bool succeeded = GetParam().boxes.back() == L"测试成功！";
  EXPECT_EQ(main->btn3.Enabled(), succeeded || saveBefore) << GetParam().name;
  if (GetParam().backupFile) {
    EXPECT_TRUE(world.files.Exists(GetParam().backupFile)) << GetParam().name;
  } else {
    EXPECT_TRUE(world.files.List(L"D:\\bak").empty()) << GetParam().name;
    EXPECT_FALSE(world.files.Exists(L"G:\\BACKUP\\master220609143005.bak")) << GetParam().name;
  }
  EXPECT_EQ(!world.server.statements.empty(), GetParam().serverAsked) << GetParam().name;
  if (succeeded) {
    EXPECT_EQ(LogMessages(),
              std::vector<std::wstring>{std::wstring(L"数据库备份成功: ") + GetParam().backupFile})
        << GetParam().name;
  } else {
    EXPECT_FALSE(AnySuccessLine()) << GetParam().name;
  }
  // Nothing of the loaded settings changes.
  EXPECT_EQ(BackupSettings.ConnectionString, L"as loaded");
}

void Nothing(TestAndSaveTest&, untMain::TfrmMain&, platform::sim::World&) {}

INSTANTIATE_TEST_SUITE_P(
    Cases, TestButtonTest,
    ::testing::Values(TestCase{"local folder",
                               Nothing,
                               {L"本地备份成功。", L"测试成功！"},
                               L"D:\\bak\\master220609143005.bak"},
                      TestCase{"all databases test master alone",
                               [](auto&, auto& m, auto&) {
                                 m.edtDB.SetText(L"sales");
                                 m.chkALLDB.SetChecked(true);
                               },
                               {L"本地备份成功。", L"测试成功！"},
                               L"D:\\bak\\master220609143005.bak"},
                      TestCase{"the typed database name",
                               [](auto&, auto& m, auto& w) {
                                 w.server.databases.push_back(L"sales");
                                 m.edtDB.SetText(L"sales");
                               },
                               {L"本地备份成功。", L"测试成功！"},
                               L"D:\\bak\\sales220609143005.bak"},
                      TestCase{"usb preferred without a removable drive",
                               [](auto&, auto& m, auto&) { m.chkBacktousb.SetChecked(true); },
                               {L"本地备份成功。", L"测试成功！"},
                               L"D:\\bak\\master220609143005.bak"},
                      TestCase{"a removable drive without usb preference",
                               [](auto& t, auto&, auto&) { t.AddUsbDrive(L'G', L"stick"); },
                               {L"本地备份成功。", L"测试成功！"},
                               L"D:\\bak\\master220609143005.bak"},
                      TestCase{"two removable drives and an empty slot",
                               [](auto& t, auto& m, auto&) {
                                 t.AddUsbDrive(L'E', L"one");
                                 t.AddUsbDrive(L'G', L"two");
                                 t.AddUsbDrive(L'H', L"", false);
                                 m.chkBacktousb.SetChecked(true);
                               },
                               {L"备份到U盘成功。", L"测试成功！"},
                               L"G:\\BACKUP\\master220609143005.bak"},
                      TestCase{"label required and matching",
                               [](auto& t, auto& m, auto&) {
                                 t.AddUsbDrive(L'G', L"备份U盘2");
                                 m.chkBacktousb.SetChecked(true);
                                 m.chkMustLabel.SetChecked(true);
                               },
                               {L"检测到u盘和标签正确，备份成功", L"测试成功！"},
                               L"G:\\BACKUP\\master220609143005.bak"},
                      TestCase{"label required and not matching",
                               [](auto& t, auto& m, auto&) {
                                 t.AddUsbDrive(L'G', L"备份");
                                 m.chkBacktousb.SetChecked(true);
                                 m.chkMustLabel.SetChecked(true);
                               },
                               {L"选了备份到指定标签的u盘，但未找到，备份失败。", L"测试失败!"},
                               nullptr,
                               false},
                      TestCase{"label not matching after an earlier successful test",
                               [](auto& t, auto& m, auto&) {
                                 m.btn3.SetEnabled(true);
                                 t.AddUsbDrive(L'G', L"备份");
                                 m.chkBacktousb.SetChecked(true);
                                 m.chkMustLabel.SetChecked(true);
                               },
                               {L"选了备份到指定标签的u盘，但未找到，备份失败。", L"测试失败!"},
                               nullptr,
                               false},
                      TestCase{"server down",
                               [](auto&, auto&, auto& w) { w.server.Stop(); },
                               {L"测试失败!"},
                               nullptr,
                               false},
                      TestCase{"server down after an earlier successful test",
                               [](auto&, auto& m, auto& w) {
                                 m.btn3.SetEnabled(true);
                                 w.server.Stop();
                               },
                               {L"测试失败!"},
                               nullptr,
                               false},
                      TestCase{"usb backup fails",
                               [](auto& t, auto& m, auto& w) {
                                 t.AddUsbDrive(L'G', L"stick");
                                 m.chkBacktousb.SetChecked(true);
                                 w.server.Refuse(L"master");
                               },
                               {L"测试失败!"},
                               nullptr},
                      TestCase{"folder with a trailing backslash",
                               [](auto&, auto& m, auto&) { m.edtBackupPath.SetText(L"D:\\bak\\"); },
                               {L"本地备份成功。", L"测试成功！"},
                               L"D:\\bak\\\\master220609143005.bak"}));

TEST_F(TestAndSaveTest, EveryNoticeIsCaptionedWithTheTitleWithoutIconOkOnly) {
  AddUsbDrive(L'G', L"备份");
  main->chkBacktousb.SetChecked(true);
  main->chkMustLabel.SetChecked(true);
  ClickTest();
  main->chkMustLabel.SetChecked(false);
  ClickTest();
  ClickSave();
  ASSERT_EQ(world.ui.boxes.size(), 5u);
  for (const auto& box : world.ui.boxes) {
    EXPECT_EQ(box.caption, L"Velmora") << box.text;
    EXPECT_EQ(box.flags, platform::ui::kMbOk) << box.text;
  }
}

TEST_F(TestAndSaveTest, IntegratedSecurityIgnoresThePasswordBoxWhichIsStillSaved) {
  main->chkisw.SetChecked(true);
  main->edtBackupPass.SetText(L"pw");
  ClickTest();
  EXPECT_EQ(world.server.connects, std::vector<std::wstring>{kIntegratedConnectionString});
  ClickSave();
  EXPECT_EQ(ConfigValue(L"BACKUP_PASS"), L"pw");
  EXPECT_EQ(ConfigValue(L"BACKUP_ISW"), L"1");
}

TEST_F(TestAndSaveTest, TheSaLoginUsesThePasswordBoxUnderTheSamePasswordRule) {
  world.server.acceptIntegratedSecurity = false;
  world.server.saPassword = L"a;b";
  BackupSettings.BackupPass = L"stored, not used";
  main->chkisw.SetChecked(false);
  main->edtBackupPass.SetText(L"a;b");
  ClickTest();
  EXPECT_EQ(BoxTexts(), (std::vector<std::wstring>{L"本地备份成功。", L"测试成功！"}));
  EXPECT_EQ(world.server.connects,
            std::vector<std::wstring>{std::wstring(kSaConnectionStringPrefix) + L"\"a;b\""});
}

TEST_F(TestAndSaveTest, ATestNeverSweepsAndLeavesTheWindowAsItWas) {
  main->chkALLDB.SetChecked(true);
  main->edtDB.SetText(L"sales");
  ClickTest();
  EXPECT_EQ(Statements(), std::vector<std::wstring>{BackupStatementFor(L"master")});
  EXPECT_TRUE(main->chkALLDB.Checked());
  EXPECT_EQ(main->edtDB.Text(), L"sales");
  EXPECT_EQ(main->edtBackupPath.Text(), L"D:\\bak");
}

// --- Save ---

TEST_F(TestAndSaveTest, SaveIsDisabledUntilATestSucceedsAndAfterEverySave) {
  EXPECT_FALSE(main->btn3.Enabled());
  ClickSave();
  EXPECT_FALSE(world.files.Exists(kConfig));
  ClickTest();
  EXPECT_TRUE(main->btn3.Enabled());
  ClickSave();
  EXPECT_FALSE(main->btn3.Enabled());
  const std::size_t lines = LogLines().size();
  ClickSave();  // nothing happens without a new test
  EXPECT_EQ(LogLines().size(), lines);
  EXPECT_EQ(BoxTexts().back(), L"保存成功！设置在软件重启后生效。");
}

TEST_F(TestAndSaveTest, SaveWritesTheTwelveKeysInOrderAndTheNextStartReadsThem) {
  ClickTest();
  // Edited after the test: saved without another one.
  main->edtBackupPath.SetText(L"D:\\新目录\\");
  main->chkisw.SetChecked(false);
  main->edtBackupPass.SetText(L"p=w;1");
  main->chkALLDB.SetChecked(true);
  main->edtDB.SetText(L" sales ");
  main->cboBackupTime.SetText(L"12");
  main->chkBacktousb.SetChecked(true);
  main->CheckBox2.SetChecked(true);
  main->chkMustLabel.SetChecked(true);
  main->edtLabel.SetText(L"U盘 ");
  main->chkDelteUsbBackup.SetChecked(false);
  const bool autoStart = main->chkBackupAutoStart.Checked();
  world.ui.boxes.clear();
  world.files.Remove(L"C:\\Tavrix\\log");
  ClickSave();

  EXPECT_EQ(world.files.Contents(kConfig)->substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(ConfigText(), std::wstring(L"[CONFIG]\r\n"
                                       L"BACKUP_PASS=p=w;1\r\n"
                                       L"BACKUP_ALLDB=1\r\n"
                                       L"BACKUP_ISW=0\r\n"
                                       L"BACKUP_TIME=12\r\n"
                                       L"BACKUP_LIST= sales \r\n"
                                       L"BACKUP_PATH=D:\\新目录\\\r\n"
                                       L"BACKUP_AUTOSTART=") +
                              (autoStart ? L"1" : L"0") +
                              L"\r\n"
                              L"BACKUP_USB=1\r\n"
                              L"BACKUP_STARTBACKUP=1\r\n"
                              L"MUSTLABEL=1\r\n"
                              L"LABEL=U盘 \r\n"
                              L"DELETE_BACKUP_FILE=0\r\n");
  EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"保存成功！设置在软件重启后生效。"});
  EXPECT_EQ(LogMessages(),
            (std::vector<std::wstring>{L"备份时间改成：12",
                                       L"配置修改成功保存成功！设置在软件重启后生效。"}));

  // The running program goes on with what it loaded.
  EXPECT_EQ(BackupSettings.ConnectionString, L"as loaded");
  EXPECT_EQ(BackupSettings.BackupPath, L"");

  // The next start.
  untComm::LoadConfig();
  EXPECT_EQ(BackupSettings.BackupPass, L"p=w;1");
  EXPECT_TRUE(BackupSettings.BackupAllDb);
  EXPECT_FALSE(BackupSettings.UseIntegratedSecurity);
  EXPECT_EQ(BackupSettings.BackupTime, L"12");
  // The profile service drops blanks around a value.
  EXPECT_EQ(BackupSettings.BackupDbName, L"sales");
  EXPECT_EQ(BackupSettings.BackupPath, L"D:\\新目录");
  EXPECT_EQ(BackupSettings.BackupAutoStart, autoStart);
  EXPECT_TRUE(BackupSettings.BackupToUsb);
  EXPECT_TRUE(BackupSettings.BackupAtStartup);
  EXPECT_TRUE(BackupSettings.MustLabel);
  EXPECT_EQ(BackupSettings.UsbLabel, L"U盘");
  EXPECT_FALSE(BackupSettings.DeleteBackupFile);
  EXPECT_EQ(BackupSettings.OemName, L"【Hemlow软件】");
}

TEST_F(TestAndSaveTest, OemIsNeverWrittenAndOtherKeysStay) {
  world.files.PutFile(kConfig, platform::sim::EncodeUtf16File(
                                   L"[CONFIG]\r\nOEM=【某公司】\r\nBACKUP_TIME=6\r\nX=y\r\n"));
  ClickTest();
  ClickSave();
  EXPECT_EQ(ConfigValue(L"OEM"), L"【某公司】");
  EXPECT_EQ(ConfigValue(L"X"), L"y");
  EXPECT_EQ(ConfigText().find(L"OEM"), ConfigText().rfind(L"OEM"));
}

struct HoursCase {
  const wchar_t* typed;
  const wchar_t* saved;
};

class SaveHoursTest : public TestAndSaveTest, public ::testing::WithParamInterface<HoursCase> {};

TEST_P(SaveHoursTest, HoursThatAreNoWholeNumberAreSavedAsOne) {
  main->btn3.SetEnabled(true);
  main->cboBackupTime.SetText(GetParam().typed);
  main->btn3Click();
  EXPECT_EQ(main->cboBackupTime.Text(), GetParam().saved);
  EXPECT_EQ(ConfigValue(L"BACKUP_TIME"), GetParam().saved);
  EXPECT_EQ(LogMessages().front(), std::wstring(L"备份时间改成：") + GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(Hours, SaveHoursTest,
                         ::testing::Values(HoursCase{L"", L"1"}, HoursCase{L"1.5", L"1"},
                                           HoursCase{L".", L"1"}, HoursCase{L"4294967296", L"1"},
                                           HoursCase{L"2147483648", L"1"},
                                           HoursCase{L"2147483647", L"2147483647"},
                                           HoursCase{L"007", L"007"}, HoursCase{L"0", L"0"},
                                           HoursCase{L"72", L"72"}));

TEST_F(TestAndSaveTest, StartupBackupIsSavedWhateverAutoStartShows) {
  main->btn3.SetEnabled(true);
  main->CheckBox2.SetChecked(true);
  main->btn3Click();
  EXPECT_EQ(ConfigValue(L"BACKUP_STARTBACKUP"), L"1");
}

TEST_F(TestAndSaveTest, DisabledControlsAreSavedLikeEnabledOnes) {
  main->btn3.SetEnabled(true);
  main->edtDB.SetText(L"kept");
  main->edtDB.SetEnabled(false);
  main->edtBackupPass.SetText(L"also kept");
  main->edtBackupPass.SetEnabled(false);
  main->btn3Click();
  EXPECT_EQ(ConfigValue(L"BACKUP_LIST"), L"kept");
  EXPECT_EQ(ConfigValue(L"BACKUP_PASS"), L"also kept");
}

class SaveWriteFailureTest : public TestAndSaveTest, public ::testing::WithParamInterface<int> {};

TEST_P(SaveWriteFailureTest, AKeyThatCannotBeWrittenStopsTheSaveThere) {
  const std::vector<std::wstring> keys{L"BACKUP_PASS",      L"BACKUP_ALLDB", L"BACKUP_ISW",
                                       L"BACKUP_TIME",      L"BACKUP_LIST",  L"BACKUP_PATH",
                                       L"BACKUP_AUTOSTART", L"BACKUP_USB",   L"BACKUP_STARTBACKUP",
                                       L"MUSTLABEL",        L"LABEL",        L"DELETE_BACKUP_FILE"};
  const int failing = GetParam();  // 1-based order of the key that fails
  int writes = 0;
  world.files.beforeOperation = [&](FileOp op, const std::wstring& path) {
    if (op == FileOp::ProfileWrite && ++writes == failing)
      world.files.InjectFault(FileOp::ProfileWrite, path, platform::error::kAccessDenied);
  };
  main->btn3.SetEnabled(true);
  EXPECT_EQ(SaveError(), L"Unable to write to .\\config.ini");
  for (std::size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(ConfigValue(keys[i]) != L"<missing>", static_cast<int>(i) < failing - 1)
        << "key " << i + 1 << " failing " << failing;
  }
  EXPECT_TRUE(world.ui.boxes.empty());
  EXPECT_TRUE(LogLines().empty());
  EXPECT_TRUE(main->btn3.Enabled());
}

INSTANTIATE_TEST_SUITE_P(Keys, SaveWriteFailureTest, ::testing::Values(1, 2, 6, 12));

TEST_F(TestAndSaveTest, ALogLineThatCannotBeWrittenLeavesSaveEnabled) {
  world.files.InjectFault(FileOp::Create, L"C:\\Tavrix\\log\\2022-06-09.txt",
                          platform::error::kAccessDenied);
  main->btn3.SetEnabled(true);
  EXPECT_THROW(main->btn3Click(), untComm::EInOutError);
  EXPECT_EQ(ConfigValue(L"DELETE_BACKUP_FILE"), L"1");
  EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"保存成功！设置在软件重启后生效。"});
  EXPECT_TRUE(main->btn3.Enabled());
}

}  // namespace
