// c:\tempbak stays bounded: once a job's backup of a database is handed over, or kept after a
// failed hand-over, the older backups of that database kept there go, and nothing else does.
#include <algorithm>

#include "tests/backup_engine_fixture.h"

using platform::sim::FileOp;
using untComm::BackupSettings;

namespace {

constexpr wchar_t kDeleted[] = L"已删除较早的临时备份文件: ";

class TempFolderTest : public BackupEngineTest {
 protected:
  TempFolderTest() {
    BackupSettings.BackupToUsb = true;
    AddUsbDrive(L'G', L"stick");
  }
  bool Job() { return main->Backup(L"", L"master"); }
  std::vector<std::wstring> TempFolder() const {
    auto names = world.files.List(L"c:\\tempbak");
    std::sort(names.begin(), names.end());
    return names;
  }
  // Backups of master in c:\tempbak.
  std::size_t KeptOfMaster() const {
    std::size_t kept = 0;
    for (const auto& name : TempFolder())
      kept += name.rfind(L"master", 0) == 0 && name.size() == 22 && name.ends_with(L".bak");
    return kept;
  }
  void StickLosesData(bool loses) { world.files.FindDrive(L'G')->keepsData = !loses; }
};

// What this program never made for master, or made later than the job, is left alone.
const std::vector<std::wstring> kNotOlderBackupsOfMaster = {
    L"Master220601000000.bak",      // another database on a case-sensitive server
    L"master1220601000000.bak",     // master1
    L"master2206010000.bak",        // ten digits
    L"master22060100000x.bak",      // not digits
    L"master220601000002.BAK",      // not the extension as this program writes it
    L"master220601000000.bak.old",  // renamed by somebody
    L"master220601000000.tmp",      // not a backup
    L"master230101000000.bak",      // later than this job (the clock was set back)
    L"model220601000000.bak",       // another database
    L"notes.txt",
};

TEST_F(TempFolderTest, AHandOverDeletesOlderKeptBackupsOfItsDatabaseOnly) {
  for (const auto& name : kNotOlderBackupsOfMaster)
    world.files.PutFile(L"c:\\tempbak\\" + name, "other");
  world.files.PutFile(L"c:\\tempbak\\master220608020000.bak", "kept yesterday");
  world.files.PutFile(L"c:\\tempbak\\master220609143004.bak", "kept a second ago");
  world.files.MakeDirectories(L"c:\\tempbak\\master220601000001.bak");  // a folder

  ASSERT_TRUE(Job());

  std::vector<std::wstring> expected = kNotOlderBackupsOfMaster;
  expected.push_back(L"master220601000001.bak");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(TempFolder(), expected);
  for (const auto& name : kNotOlderBackupsOfMaster)
    EXPECT_EQ(world.files.Contents(L"c:\\tempbak\\" + name), "other") << name;
  EXPECT_EQ(LogMessages(), (std::vector<std::wstring>{
                               L"数据库备份成功: G:\\BACKUP\\master220609143005.bak",
                               kDeleted + std::wstring(L"c:\\tempbak\\master220608020000.bak"),
                               kDeleted + std::wstring(L"c:\\tempbak\\master220609143004.bak")}));
}

TEST_F(TempFolderTest, AFailedHandOverKeepsItsOwnBackupAndDeletesTheOlderOnes) {
  world.files.PutFile(L"c:\\tempbak\\master220608020000.bak", "kept yesterday");
  StickLosesData(true);
  EXPECT_FALSE(Job());
  EXPECT_EQ(TempFolder(), std::vector<std::wstring>{L"master220609143005.bak"});
  EXPECT_EQ(LogMessages(),
            (std::vector<std::wstring>{
                L"数据库备份复制失败，临时备份文件保留在: c:\\tempbak\\master220609143005.bak",
                kDeleted + std::wstring(L"c:\\tempbak\\master220608020000.bak")}));
}

TEST_F(TempFolderTest, AJobWithoutABackupDeletesNothing) {
  world.files.PutFile(L"c:\\tempbak\\master220608020000.bak", "kept yesterday");
  world.server.Refuse(L"master");
  EXPECT_FALSE(Job());
  main->edtLabel.SetText(L"other stick");
  BackupSettings.MustLabel = true;
  EXPECT_FALSE(Job());
  EXPECT_EQ(TempFolder(), std::vector<std::wstring>{L"master220608020000.bak"});
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(TempFolderTest, ABackupThatCannotBeDeletedStaysUnlogged) {
  world.files.PutFile(L"c:\\tempbak\\master220607020000.bak", "in use");
  world.files.PutFile(L"c:\\tempbak\\master220608020000.bak", "kept yesterday");
  world.files.InjectFault(FileOp::Delete, L"c:\\tempbak\\master220607020000.bak",
                          platform::error::kSharingViolation);
  ASSERT_TRUE(Job());
  EXPECT_EQ(TempFolder(), std::vector<std::wstring>{L"master220607020000.bak"});
  EXPECT_EQ(LogMessages(), (std::vector<std::wstring>{
                               L"数据库备份成功: G:\\BACKUP\\master220609143005.bak",
                               kDeleted + std::wstring(L"c:\\tempbak\\master220608020000.bak")}));
}

TEST_F(TempFolderTest, WhenTheTemporaryFolderIsTheDestinationItsBackupsStay) {
  BackupSettings.BackupToUsb = false;
  BackupSettings.BackupPath = L"c:\\tempbak";
  world.files.PutFile(L"c:\\tempbak\\master220608020000.bak", "yesterday's backup");
  ASSERT_TRUE(Job());
  EXPECT_EQ(TempFolder(),
            (std::vector<std::wstring>{L"master220608020000.bak", L"master220609143005.bak"}));
  EXPECT_EQ(LogMessages(),
            std::vector<std::wstring>{L"数据库备份成功: c:\\tempbak\\master220609143005.bak"});
}

// Runs of one database, hours apart, whose hand-overs fail (a stick that loses its data, a
// full stick, a stick pulled out) or succeed: c:\tempbak never holds more than one backup.
struct JobRun {
  const char* how;  // "ok", "loses", "full", "pulled"
  std::size_t keptAfter;
};

class TempFolderRunsTest : public TempFolderTest,
                           public ::testing::WithParamInterface<std::vector<JobRun>> {};

TEST_P(TempFolderRunsTest, NeverHoldMoreThanOneKeptBackupOfTheDatabase) {
  int hour = 0;
  int successes = 0;
  for (const JobRun& run : GetParam()) {
    const std::string how = run.how;
    world.clock.Set({2022, 6, 10 + hour / 24, hour % 24, 0, 0, 0});
    hour += 6;
    StickLosesData(how == "loses");
    world.files.FindDrive(L'G')->capacity = how == "full" ? 100 : 1ull << 34;
    world.files.SetMedium(L'G', how != "pulled");
    // Without the stick the job goes to D:\bak, full as well then.
    world.files.FindDrive(L'D')->capacity = how == "pulled" ? 100 : 1ull << 40;

    const bool handedOver = Job();
    successes += handedOver;
    EXPECT_EQ(handedOver, how == "ok") << how << " at hour " << hour;
    EXPECT_EQ(KeptOfMaster(), run.keptAfter) << how << " at hour " << hour;
    EXPECT_LE(KeptOfMaster(), 1u);
  }
  world.files.SetMedium(L'G', true);
  EXPECT_EQ(world.files.List(L"G:\\BACKUP").size(), static_cast<std::size_t>(successes));
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, TempFolderRunsTest,
    ::testing::Values(
        std::vector<JobRun>{
            {"loses", 1}, {"loses", 1}, {"ok", 0}, {"full", 1}, {"ok", 0}, {"ok", 0}},
        std::vector<JobRun>{{"full", 1}, {"full", 1}, {"full", 1}, {"loses", 1}},
        std::vector<JobRun>{{"ok", 0}, {"loses", 1}, {"ok", 0}, {"loses", 1}}));

}  // namespace
