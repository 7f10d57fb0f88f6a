// The scheduled run: one database or every database the server lists, the connection
// strings each part uses, and the errors of the list that reach the user.
#include "tests/backup_engine_fixture.h"
#include "untComm/connection_string.h"

using untComm::BackupSettings;
using untComm::kIntegratedConnectionString;
using untComm::kSaConnectionStringPrefix;

namespace {

constexpr wchar_t kList[] = L"select name from sysdatabases";

class SweepTest : public BackupEngineTest {
 protected:
  SweepTest() {
    BackupSettings.BackupAllDb = true;
    world.server.backupMilliseconds = 0;  // every job in the same second
  }
  std::wstring Sa(const std::wstring& password) const {
    return std::wstring(kSaConnectionStringPrefix) + password;
  }
  // The message of what tmrBackupTimer lets escape.
  std::wstring Escaped() {
    try {
      main->tmrBackupTimer();
    } catch (const platform::Exception& error) {
      return error.Message();
    }
    return L"<nothing escaped>";
  }
};

TEST_F(SweepTest, EveryListedDatabaseIsBackedUpAndARefusedOneStandsAlone) {
  world.server.Refuse(L"tempdb");
  main->tmrBackupTimer();
  EXPECT_EQ(Statements(), (std::vector<std::wstring>{
                              kList, BackupStatementFor(L"master"), BackupStatementFor(L"tempdb"),
                              BackupStatementFor(L"model"), BackupStatementFor(L"msdb")}));
  EXPECT_EQ(LogMessages(),
            (std::vector<std::wstring>{L"数据库备份成功: D:\\bak\\master220609143005.bak",
                                       L"数据库备份成功: D:\\bak\\model220609143005.bak",
                                       L"数据库备份成功: D:\\bak\\msdb220609143005.bak"}));
  EXPECT_EQ(world.files.List(L"D:\\bak").size(), 3u);
}

TEST_F(SweepTest, TheListUsesThePasswordBoxAndEveryBackupTheStoredPassword) {
  BackupSettings.UseIntegratedSecurity = false;
  BackupSettings.BackupPass = L"stored";
  world.server.saPassword = L"typed";
  main->edtBackupPass.SetText(L"typed");
  main->tmrBackupTimer();
  EXPECT_EQ(QryBaseTemp().ConnectionString(), Sa(L"typed"));
  EXPECT_EQ(BackupSettings.ConnectionString, Sa(L"stored"));
  ASSERT_EQ(world.server.statements.size(), 1u);
  EXPECT_EQ(world.server.statements[0].connectionString, Sa(L"typed"));
  EXPECT_EQ(world.server.statements[0].sql, kList);
  // The backups log in with the stored password, which the server does not take.
  EXPECT_EQ(world.server.connects, std::vector<std::wstring>{Sa(L"typed")});
  EXPECT_TRUE(LogLines().empty());

  // With the stored password right, every backup goes through.
  world.server.saPassword = L"stored";
  main->edtBackupPass.SetText(L"stored");
  main->tmrBackupTimer();
  EXPECT_EQ(world.server.connects,
            (std::vector<std::wstring>{Sa(L"typed"), Sa(L"stored"), Sa(L"stored")}));
  EXPECT_EQ(LogLines().size(), 4u);
}

TEST_F(SweepTest, EachQueryKeepsItsConnectionAcrossRuns) {
  main->tmrBackupTimer();
  world.clock.Advance(1'000);
  main->tmrBackupTimer();
  // One login for the list, one for the backups.
  EXPECT_EQ(world.server.connects,
            (std::vector<std::wstring>{kIntegratedConnectionString, kIntegratedConnectionString}));
  EXPECT_EQ(LogLines().size(), 8u);
  EXPECT_TRUE(QryBaseTemp().Connected());
}

TEST_F(SweepTest, TheListQueryKeepsTheDefaultTimeOutAndTheBackupsWait) {
  world.server.backupMilliseconds = 45'000;
  main->tmrBackupTimer();
  ASSERT_EQ(world.server.statements.size(), 5u);
  EXPECT_EQ(world.server.statements[0].commandTimeoutSeconds, 30);
  for (std::size_t i = 1; i < 5; ++i)
    EXPECT_EQ(world.server.statements[i].commandTimeoutSeconds, 0);
  EXPECT_EQ(LogLines().size(), 4u);
}

TEST_F(SweepTest, AListSlowerThanTheTimeOutEscapesTheRun) {
  world.server.listMilliseconds = 31'000;
  EXPECT_EQ(Escaped(), L"Timeout expired");
  EXPECT_EQ(Statements(), std::vector<std::wstring>{kList});
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(SweepTest, ServerDownEscapesTheRunWithNoBackupAndTheNextRunTriesAgain) {
  world.server.Stop();
  EXPECT_EQ(Escaped(),
            L"[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or access denied.");
  EXPECT_TRUE(world.server.statements.empty());
  EXPECT_TRUE(LogLines().empty());
  EXPECT_FALSE(world.files.Exists(L"C:\\tempbak\\master220609143005.bak"));

  world.server.Start();
  world.clock.Advance(1'000);
  EXPECT_NO_THROW(main->tmrBackupTimer());
  EXPECT_EQ(LogLines().size(), 4u);
}

TEST_F(SweepTest, AfterAServerRestartTheNextRunConnectsAnew) {
  main->tmrBackupTimer();
  ASSERT_EQ(LogLines().size(), 4u);
  world.server.Stop();
  world.server.Start();  // every open connection is broken now
  world.clock.Advance(1'000);
  EXPECT_NE(Escaped(), L"<nothing escaped>");
  world.clock.Advance(1'000);
  EXPECT_NO_THROW(main->tmrBackupTimer());
  EXPECT_EQ(LogLines().size(), 8u);
}

TEST_F(SweepTest, ARefusedListEscapesTheRun) {
  world.server.listFailure = L"SELECT permission denied on object 'sysdatabases'.";
  EXPECT_EQ(Escaped(), L"SELECT permission denied on object 'sysdatabases'.");
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(SweepTest, ARefusedLoginForTheListEscapesTheRun) {
  world.server.acceptIntegratedSecurity = false;
  EXPECT_EQ(Escaped(), L"Login failed for user 'TAVRIX\\Administrator'.");
}

TEST_F(SweepTest, TheSweepReturnsTrueWhateverTheBackups) {
  world.server.Refuse(L"master");
  world.server.Refuse(L"tempdb");
  world.server.Refuse(L"model");
  world.server.Refuse(L"msdb");
  untComm::BuildConnectionString(L"");
  EXPECT_TRUE(main->BackupAllDB());
  EXPECT_TRUE(LogLines().empty());
}

class SingleDatabaseRunTest : public BackupEngineTest {};

TEST_F(SingleDatabaseRunTest, BacksUpTheConfiguredDatabaseWithTheStoredPassword) {
  BackupSettings.UseIntegratedSecurity = false;
  BackupSettings.BackupPass = L"stored";
  BackupSettings.BackupDbName = L"model";
  world.server.saPassword = L"stored";
  main->edtBackupPass.SetText(L"typed, of no effect");
  main->tmrBackupTimer();
  EXPECT_EQ(Statements(), std::vector<std::wstring>{BackupStatementFor(L"model")});
  EXPECT_EQ(world.server.connects,
            std::vector<std::wstring>{std::wstring(kSaConnectionStringPrefix) + L"stored"});
  EXPECT_EQ(LogMessages(),
            std::vector<std::wstring>{L"数据库备份成功: D:\\bak\\model220609143005.bak"});
}

TEST_F(SingleDatabaseRunTest, ServerDownShowsNothingAndLogsNothing) {
  world.server.Stop();
  EXPECT_NO_THROW(main->tmrBackupTimer());
  EXPECT_TRUE(LogLines().empty());
  EXPECT_TRUE(world.ui.boxes.empty());
}

TEST_F(SingleDatabaseRunTest, AfterAServerRestartTheNextRunConnectsAnew) {
  main->tmrBackupTimer();
  ASSERT_EQ(LogLines().size(), 1u);
  world.server.Stop();
  world.server.Start();  // the open connection is broken now
  world.clock.Advance(1'000);
  main->tmrBackupTimer();
  EXPECT_EQ(LogLines().size(), 1u);
  world.clock.Advance(1'000);
  main->tmrBackupTimer();
  EXPECT_EQ(LogLines().size(), 2u);
}

TEST_F(SingleDatabaseRunTest, TheBackupTimerRunsEveryTwelveHoursFromTheStart) {
  world.server.backupMilliseconds = 0;
  world.ui.RunFor(12 * 3'600'000 - 1);
  EXPECT_TRUE(LogLines().empty());
  world.ui.RunFor(1);
  EXPECT_EQ(LogMessages(L"2022-06-10"),
            std::vector<std::wstring>{L"数据库备份成功: D:\\bak\\master220610023005.bak"});
}

}  // namespace
