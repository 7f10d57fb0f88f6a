// The start-up sequence as a whole: what a start leaves behind for each kind of config.ini
// and each failing service, seen from the log, the registry, the timers, the window and the
// boxes the user had to answer.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/registry.h"
#include "tests/startup_fixture.h"

namespace {

using platform::RegistryRoot;
using platform::sim::FileOp;

const std::wstring kStarted = L"程序启动。";
const std::wstring kRegistered = L"增加开机自启动成功。";
const std::wstring kRemoved =
    L"已经删除开机自启动项：SOFTWARE\\Microsoft\\windows\\CurrentVersion\\Run";
const std::wstring kExe = L"C:\\Tavrix\\Tavrix.exe";
constexpr std::uint32_t kHour = 3'600'000;

struct StartupCase {
  const char* name;
  std::optional<std::wstring> config;  // nothing: no config.ini at all
  bool registryReadOnly = false;
  bool alreadyRegistered = false;
  bool logReadOnly = false;
  // What the start leaves behind.
  std::vector<std::wstring> log{};
  std::vector<std::wstring> boxes{};
  bool registered = true;
  std::uint32_t backupInterval = 0;
  int startupBackups = 0;  // runs of the backup before the message loop
};

void PrintTo(const StartupCase& c, std::ostream* os) {
  *os << c.name;
}

const StartupCase kCases[] = {
    {.name = "NoConfigFile",
     .config = std::nullopt,
     .log = {kStarted, kRegistered},
     .backupInterval = 6 * kHour},
    {.name = "AutoStartOn",
     .config = L"BACKUP_AUTOSTART=1\r\nBACKUP_TIME=24\r\n",
     .log = {kStarted, kRegistered},
     .backupInterval = 24 * kHour},
    // The box's click handler removes the registration before the start is logged; step 12
    // registers a second time (the value is then already right and only read).
    {.name = "AutoStartOff",
     .config = L"BACKUP_AUTOSTART=0\r\nBACKUP_TIME=24\r\n",
     .log = {kRemoved, kStarted, kRegistered, kRegistered},
     .backupInterval = 12 * kHour},
    {.name = "ZeroHoursMeanNoSchedule",
     .config = L"BACKUP_TIME=0\r\n",
     .log = {kStarted, kRegistered},
     .backupInterval = 0},
    {.name = "NegativeHoursMeanNoSchedule",
     .config = L"BACKUP_TIME=-5\r\n",
     .log = {kStarted, kRegistered},
     .backupInterval = 0},
    // Longer than a message timer holds: counted in hourly ticks.
    {.name = "NineHundredNinetyNineHours",
     .config = L"BACKUP_TIME=999\r\n",
     .log = {kStarted, kRegistered},
     .backupInterval = kHour},
    {.name = "FiveHundredNinetySixHoursFitOneTimer",
     .config = L"BACKUP_TIME=596\r\n",
     .log = {kStarted, kRegistered},
     .backupInterval = 596 * kHour},
    // The failed step is reported and start-up goes on: logged, registered, 12 hours kept.
    {.name = "HoursNotANumber",
     .config = L"BACKUP_TIME=abc\r\n",
     .log = {kStarted, kRegistered},
     .boxes = {L"'abc' is not a valid integer value."},
     .backupInterval = 12 * kHour},
    {.name = "HoursIgnoredWithoutAutoStart",
     .config = L"BACKUP_AUTOSTART=0\r\nBACKUP_TIME=abc\r\n",
     .log = {kRemoved, kStarted, kRegistered, kRegistered},
     .backupInterval = 12 * kHour},
    {.name = "RegistryNotWritable",
     .config = std::nullopt,
     .registryReadOnly = true,
     .log = {kStarted},
     .boxes = {L"Failed to set data for 'Tavrix'"},
     .registered = false,
     .backupInterval = 6 * kHour},
    {.name = "BackupAtStartup",
     .config = L"BACKUP_STARTBACKUP=1\r\n",
     .log = {kStarted, kRegistered},
     .backupInterval = 6 * kHour,
     .startupBackups = 1},
    {.name = "BackupAtStartupAfterABadHoursValue",
     .config = L"BACKUP_STARTBACKUP=1\r\nBACKUP_TIME=abc\r\n",
     .log = {kStarted, kRegistered},
     .boxes = {L"'abc' is not a valid integer value."},
     .backupInterval = 12 * kHour,
     .startupBackups = 1},
    // The user's backup at start does not depend on the registry.
    {.name = "BackupAtStartupWithoutRegistryAccess",
     .config = L"BACKUP_STARTBACKUP=1\r\n",
     .registryReadOnly = true,
     .log = {kStarted},
     .boxes = {L"Failed to set data for 'Tavrix'"},
     .registered = false,
     .backupInterval = 6 * kHour,
     .startupBackups = 1},
    {.name = "RegistryNotWritableWithAutoStartOff",
     .config = L"BACKUP_AUTOSTART=0\r\n",
     .registryReadOnly = true,
     .log = {kRemoved, kStarted},
     .boxes = {L"Failed to set data for 'Tavrix'", L"Failed to set data for 'Tavrix'"},
     .registered = false,
     .backupInterval = 12 * kHour},
    // Registered once by an administrator: a later start by a user only reads the value.
    {.name = "RegistryNotWritableButAlreadyRegistered",
     .config = std::nullopt,
     .registryReadOnly = true,
     .alreadyRegistered = true,
     .log = {kStarted, kRegistered},
     .backupInterval = 6 * kHour},
    // Each log write fails; the registration itself still happens.
    {.name = "LogNotWritable",
     .config = std::nullopt,
     .logReadOnly = true,
     .log = {},
     .boxes = {L"File access denied.", L"File access denied."},
     .backupInterval = 6 * kHour},
};

class StartupSequenceTest : public ProgramTest,
                            public ::testing::WithParamInterface<StartupCase> {};

TEST_P(StartupSequenceTest, LeavesLogRegistryTimerAndBoxes) {
  const StartupCase& c = GetParam();
  if (c.config)
    WriteConfig(*c.config);
  if (c.alreadyRegistered)
    world.registry.PutString(RegistryRoot::LocalMachine, untComm::kRunKey, L"Tavrix", kExe);
  if (c.registryReadOnly)
    world.registry.DenyWrite(RegistryRoot::LocalMachine, untComm::kRunKey);
  if (c.logReadOnly)
    world.files.InjectFault(FileOp::MakeDirectory, L"C:\\Tavrix\\log", 5);

  std::uint32_t interval = 1;
  bool autoStartChecked = false;
  bool visible = false;
  int startupBackups = -1;
  EXPECT_EQ(Run([&](untMain::TfrmMain& main) {
              startupBackups = BackupRuns(world.server);
              interval = main.tmrBackup->Interval();
              EXPECT_TRUE(main.tmrBackup->Enabled());
              autoStartChecked = main.chkBackupAutoStart.Checked();
              visible = main.form->Visible();
            }),
            0);

  EXPECT_EQ(Messages(LogLines()), c.log);
  EXPECT_EQ(BoxTexts(), c.boxes);
  for (const auto& box : world.ui.boxes) {
    EXPECT_EQ(box.caption, L"Velmora");
    EXPECT_EQ(box.flags, platform::ui::kMbOk | platform::ui::kMbIconError);
  }
  EXPECT_EQ(RunValue(), c.registered ? std::optional<std::wstring>(kExe) : std::nullopt);
  EXPECT_EQ(interval, c.backupInterval);
  EXPECT_TRUE(autoStartChecked);
  EXPECT_TRUE(visible);
  EXPECT_EQ(startupBackups, c.startupBackups);
  EXPECT_EQ(world.registry.OpenKeys(), 0);
}

INSTANTIATE_TEST_SUITE_P(Configs, StartupSequenceTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

class StartupTest : public ProgramTest {};

TEST_F(StartupTest, WithoutConfigFileTheWindowShowsTheDefaults) {
  Run([&](untMain::TfrmMain& main) {
    EXPECT_EQ(main.form->Caption(), L"Velmora V1.2 - 【Hemlow软件】");
    EXPECT_TRUE(main.chkALLDB.Checked());
    EXPECT_FALSE(main.edtDB.Enabled());
    EXPECT_TRUE(main.chkisw.Checked());
    EXPECT_FALSE(main.edtBackupPass.Enabled());
    EXPECT_TRUE(main.chkBacktousb.Checked());
    EXPECT_FALSE(main.edtBackupPath.Enabled());
    EXPECT_EQ(main.edtBackupPath.Text(), L"E:\\BACKUP");
    // The default of MUSTLABEL is true although the box is designed unchecked.
    EXPECT_TRUE(main.chkMustLabel.Checked());
    EXPECT_EQ(main.edtLabel.Text(), L"备份U盘");
    EXPECT_EQ(main.cboBackupTime.Text(), L"6");
    EXPECT_FALSE(main.CheckBox2.Checked());
    EXPECT_FALSE(main.btn3.Enabled());
  });
  EXPECT_EQ(world.system.CurrentDirectory(), L"C:\\Tavrix");
  // No settings file is created by reading the defaults.
  EXPECT_FALSE(world.files.Exists(L"C:\\Tavrix\\config.ini"));
}

TEST_F(StartupTest, EveryControlShowsItsSettingAndTheFieldsFollowTheirBoxes) {
  WriteConfig(
      L"OEM=某公司\r\nMUSTLABEL=0\r\nLABEL=备份盘\r\nBACKUP_LIST=sales\r\nBACKUP_ALLDB=0\r\n"
      L"BACKUP_STARTBACKUP=1\r\nBACKUP_PASS=secret\r\nBACKUP_TIME=48\r\n"
      L"BACKUP_PATH=D:\\dump\\\r\nBACKUP_ISW=0\r\nBACKUP_USB=0\r\nDELETE_BACKUP_FILE=0\r\n");
  Run([&](untMain::TfrmMain& main) {
    EXPECT_EQ(main.form->Caption(), L"Velmora V1.2 - 某公司");
    EXPECT_TRUE(main.chkBackupAutoStart.Checked());
    EXPECT_FALSE(main.chkALLDB.Checked());
    EXPECT_EQ(main.edtDB.Text(), L"sales");
    EXPECT_TRUE(main.edtDB.Enabled());
    EXPECT_FALSE(main.chkisw.Checked());
    EXPECT_EQ(main.edtBackupPass.Text(), L"secret");
    EXPECT_TRUE(main.edtBackupPass.Enabled());
    EXPECT_EQ(main.cboBackupTime.Text(), L"48");
    EXPECT_EQ(main.edtBackupPath.Text(), L"D:\\dump");
    EXPECT_FALSE(main.chkBacktousb.Checked());
    EXPECT_TRUE(main.edtBackupPath.Enabled());
    EXPECT_FALSE(main.chkDelteUsbBackup.Checked());
    EXPECT_TRUE(main.CheckBox2.Checked());
    EXPECT_EQ(main.edtLabel.Text(), L"备份盘");
    EXPECT_FALSE(main.chkMustLabel.Checked());
    EXPECT_EQ(main.tmrBackup->Interval(), 48 * kHour);
    // The labels, the plan list and the buttons keep their design.
    EXPECT_EQ(main.ComboBox2.Text(), L"备份");
    EXPECT_EQ(main.btn4.Text(), L"测试");
    EXPECT_FALSE(main.btn3.Enabled());
  });
}

TEST_F(StartupTest, TheStartUpBackupsLogLinesFollowTheStartLines) {
  world.files.MakeDirectories(L"C:\\dump");
  WriteConfig(
      L"BACKUP_STARTBACKUP=1\r\nBACKUP_USB=0\r\nBACKUP_PATH=C:\\dump\r\nBACKUP_ALLDB=0\r\n"
      L"BACKUP_LIST=master\r\n");
  std::size_t linesAtLoop = 0;
  Run([&](untMain::TfrmMain&) { linesAtLoop = LogLines().size(); });
  const auto log = Messages(LogLines());
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(linesAtLoop, 3u);
  EXPECT_EQ(log[0], kStarted);
  EXPECT_EQ(log[1], kRegistered);
  // The backup's own line names the file it wrote into the local folder.
  EXPECT_NE(log[2].find(L"C:\\dump\\master"), std::wstring::npos);
}

TEST_F(StartupTest, TheStartUpValueIsWrittenOnceAndTheRunKeyOpenedForWriting) {
  using Op = platform::sim::RegistryCall::Op;
  Run();
  std::vector<platform::sim::RegistryCall> writes;
  for (const auto& call : world.registry.calls) {
    EXPECT_EQ(call.key, L"HKLM\\SOFTWARE\\Microsoft\\windows\\CurrentVersion\\Run");
    if (call.op == Op::SetString || call.op == Op::DeleteValue)
      writes.push_back(call);
  }
  // One write, through a key opened with write access, that the registry took.
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].op, Op::SetString);
  EXPECT_EQ(writes[0].name, L"Tavrix");
  EXPECT_EQ(writes[0].access, platform::RegistryAccess::AllAccess);
  EXPECT_EQ(writes[0].result, 0u);
  EXPECT_EQ(RunValue(), kExe);
  EXPECT_EQ(world.registry.OpenKeys(), 0);
}

TEST_F(StartupTest, TheIconKeepsTheFirstTitleWhileBoxesCarryTheSecond) {
  WriteConfig(L"BACKUP_TIME=x\r\n");
  Run([&](untMain::TfrmMain&) {
    EXPECT_EQ(Icon().Tooltip(), L"Orbanel");
    EXPECT_EQ(world.ui.Title(), L"Velmora");
  });
  ASSERT_EQ(world.ui.boxes.size(), 1u);
  EXPECT_EQ(world.ui.boxes[0].caption, L"Velmora");
}

// A box that stays open past the first second lets Timer1 tick inside it: it hides the not
// yet shown window and stops, so the window shown afterwards stays until the user closes it.
TEST_F(StartupTest, Timer1TicksWhileAStartUpErrorBoxIsOpen) {
  WriteConfig(L"BACKUP_TIME=abc\r\n");
  world.ui.answerBox = [&](const platform::sim::MessageBoxRecord&) {
    world.ui.RunFor(5'000);
    return platform::ui::kIdOk;
  };
  Run([&](untMain::TfrmMain& main) {
    EXPECT_FALSE(main.Timer1->Enabled());
    EXPECT_TRUE(main.form->Visible());
    world.ui.RunFor(60'000);
    EXPECT_TRUE(main.form->Visible());
    Window(main).RequestClose();
    EXPECT_FALSE(main.form->Visible());
  });
  ASSERT_EQ(world.ui.boxes.size(), 1u);
}

}  // namespace
