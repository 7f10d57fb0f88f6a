// One backup job (BackupDB) and the choice of its destination (Backup): statements, files,
// folders and log lines.
#include "tests/backup_engine_fixture.h"
#include "untComm/connection_string.h"

using platform::sim::FileOp;
using untComm::BackupSettings;
using untComm::kIntegratedConnectionString;
using untComm::kSaConnectionStringPrefix;

namespace {

using BackupJobTest = BackupEngineTest;

TEST_F(BackupJobTest, TheServerWritesIntoTempbakAndTheFileLandsUnderItsStampedName) {
  ASSERT_TRUE(main->BackupDB(kIntegratedConnectionString, L"master", L"D:\\bak"));

  ASSERT_EQ(world.server.statements.size(), 1u);
  EXPECT_EQ(world.server.statements[0].sql,
            L"BACKUP DATABASE \"master\" TO DISK ='c:\\tempbak\\master220609143005.bak' with "
            L"init");
  EXPECT_EQ(world.server.statements[0].connectionString, kIntegratedConnectionString);

  const auto backup = world.files.Contents(L"D:\\bak\\master220609143005.bak");
  ASSERT_TRUE(backup.has_value());
  EXPECT_EQ(backup->substr(0, 11), "TAPE 1 mast");
  EXPECT_FALSE(world.files.Exists(TempFile(L"master")));
  EXPECT_EQ(world.files.List(L"D:\\bak"), std::vector<std::wstring>{L"master220609143005.bak"});
  // The backup took two seconds; the stamp is the time the job started.
  EXPECT_EQ(LogLines(),
            std::vector<std::wstring>{L"14:30:07 数据库备份成功: D:\\bak\\master220609143005.bak"});
}

TEST_F(BackupJobTest, TempbakIsCreatedBeforeTheStatementIsSent) {
  ASSERT_FALSE(world.files.Exists(L"C:\\tempbak"));
  bool tempbakWhenAsked = false;
  world.files.beforeOperation = [&](FileOp op, const std::wstring& path) {
    if (op == FileOp::Create && path.find(L"tempbak\\") != std::wstring::npos)
      tempbakWhenAsked = world.files.DirectoryExists(L"C:\\tempbak");
  };
  EXPECT_TRUE(main->BackupDB(kIntegratedConnectionString, L"master", L"D:\\bak"));
  EXPECT_TRUE(tempbakWhenAsked);
  EXPECT_TRUE(world.files.DirectoryExists(L"C:\\tempbak"));
}

TEST_F(BackupJobTest, AMissingDestinationFolderIsCreatedWhenItsParentExists) {
  EXPECT_TRUE(main->BackupDB(kIntegratedConnectionString, L"master", L"D:\\bak\\new"));
  EXPECT_TRUE(world.files.Exists(L"D:\\bak\\new\\master220609143005.bak"));
}

TEST_F(BackupJobTest, AMissingParentStopsTheJobBeforeTheServerIsAsked) {
  EXPECT_FALSE(main->BackupDB(kIntegratedConnectionString, L"master", L"D:\\none\\new"));
  EXPECT_TRUE(world.server.connects.empty());
  EXPECT_TRUE(world.server.statements.empty());
  EXPECT_TRUE(LogLines().empty());
  EXPECT_FALSE(world.files.Exists(L"D:\\none"));
}

TEST_F(BackupJobTest, TheBackupStatementWaitsAsLongAsTheServerNeeds) {
  world.server.SetBackupDuration(L"master", 2 * 3'600'000);  // two hours
  EXPECT_TRUE(main->BackupDB(kIntegratedConnectionString, L"master", L"D:\\bak"));
  ASSERT_EQ(world.server.statements.size(), 1u);
  EXPECT_EQ(world.server.statements[0].commandTimeoutSeconds, 0);
  EXPECT_EQ(LogLines(),
            std::vector<std::wstring>{L"16:30:05 数据库备份成功: D:\\bak\\master220609143005.bak"});
}

TEST_F(BackupJobTest, SameConnectionStringKeepsTheConnectionADifferentOneReconnects) {
  const std::wstring sa = std::wstring(kSaConnectionStringPrefix) + L"pw";
  world.server.saPassword = L"pw";
  world.server.databases.push_back(L"sales");
  EXPECT_TRUE(main->BackupDB(kIntegratedConnectionString, L"master", L"D:\\bak"));
  EXPECT_TRUE(main->BackupDB(kIntegratedConnectionString, L"sales", L"D:\\bak"));
  EXPECT_TRUE(main->BackupDB(sa, L"model", L"D:\\bak"));
  EXPECT_EQ(world.server.connects, (std::vector<std::wstring>{kIntegratedConnectionString, sa}));
  EXPECT_EQ(world.server.statements.back().connectionString, sa);
}

struct NameCase {
  const wchar_t* dbname;
  const wchar_t* statement;
  const wchar_t* fileName;
};

class DatabaseNameTest : public BackupEngineTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(DatabaseNameTest, NoNameCanBreakTheStatementOrTheFileName) {
  world.server.databases.push_back(GetParam().dbname);
  ASSERT_TRUE(main->BackupDB(kIntegratedConnectionString, GetParam().dbname, L"D:\\bak"));
  ASSERT_EQ(world.server.statements.size(), 1u);
  EXPECT_EQ(world.server.statements[0].sql, GetParam().statement);
  const std::wstring destination = std::wstring(L"D:\\bak\\") + GetParam().fileName;
  EXPECT_TRUE(world.files.Exists(destination));
  EXPECT_EQ(world.files.List(L"D:\\bak"), std::vector<std::wstring>{GetParam().fileName});
  EXPECT_EQ(LogMessages(), std::vector<std::wstring>{L"数据库备份成功: " + destination});
}

INSTANTIATE_TEST_SUITE_P(
    Names, DatabaseNameTest,
    ::testing::Values(
        NameCase{L"sales_2022",
                 L"BACKUP DATABASE \"sales_2022\" TO DISK ='c:\\tempbak\\sales_2022220609143005"
                 L".bak' with init",
                 L"sales_2022220609143005.bak"},
        // A plain literal is read in the code page of the server's collation, which may lack
        // the name's characters: the file goes into a Unicode literal.
        NameCase{L"销售 库",
                 L"BACKUP DATABASE \"销售 库\" TO DISK =N'c:\\tempbak\\销售 库220609143005.bak' "
                 L"with init",
                 L"销售 库220609143005.bak"},
        NameCase{L"café's",
                 L"BACKUP DATABASE \"café's\" TO DISK =N'c:\\tempbak\\café''s220609143005.bak' "
                 L"with init",
                 L"café's220609143005.bak"},
        // Windows would open the NUL device for nul.<anything>.
        NameCase{L"nul.",
                 L"BACKUP DATABASE \"nul.\" TO DISK ='c:\\tempbak\\nul_.220609143005.bak' with "
                 L"init",
                 L"nul_.220609143005.bak"},
        NameCase{L"a\"b",
                 L"BACKUP DATABASE \"a\"\"b\" TO DISK ='c:\\tempbak\\a_b220609143005.bak' with "
                 L"init",
                 L"a_b220609143005.bak"},
        NameCase{L"O'Brien",
                 L"BACKUP DATABASE \"O'Brien\" TO DISK ='c:\\tempbak\\O''Brien220609143005.bak' "
                 L"with init",
                 L"O'Brien220609143005.bak"},
        NameCase{L"x\" TO DISK='c:\\evil.bak'--",
                 L"BACKUP DATABASE \"x\"\" TO DISK='c:\\evil.bak'--\" TO DISK "
                 L"='c:\\tempbak\\x_ TO DISK=''c__evil.bak''--220609143005.bak' with init",
                 L"x_ TO DISK='c__evil.bak'--220609143005.bak"},
        NameCase{L"a/b\\c:d*e?f<g>h|i",
                 L"BACKUP DATABASE \"a/b\\c:d*e?f<g>h|i\" TO DISK "
                 L"='c:\\tempbak\\a_b_c_d_e_f_g_h_i220609143005.bak' with init",
                 L"a_b_c_d_e_f_g_h_i220609143005.bak"},
        NameCase{L"tab\there",
                 L"BACKUP DATABASE \"tab\there\" TO DISK ='c:\\tempbak\\tab_here220609143005.bak' "
                 L"with init",
                 L"tab_here220609143005.bak"}));

// --- Backup: where the job goes ---

TEST_F(BackupJobTest, BackupRebuildsTheConnectionStringFromTheStoredPassword) {
  BackupSettings.UseIntegratedSecurity = false;
  BackupSettings.BackupPass = L"stored";
  world.server.saPassword = L"stored";
  EXPECT_TRUE(main->Backup(L"ignored connection string", L"master"));
  const std::wstring expected = std::wstring(kSaConnectionStringPrefix) + L"stored";
  EXPECT_EQ(BackupSettings.ConnectionString, expected);
  EXPECT_EQ(world.server.connects, std::vector<std::wstring>{expected});
}

TEST_F(BackupJobTest, WithoutUsbPreferenceTheLocalFolderIsUsedEvenWithADrivePresent) {
  AddUsbDrive(L'G', L"stick");
  EXPECT_TRUE(main->Backup(L"", L"master"));
  EXPECT_TRUE(world.files.Exists(L"D:\\bak\\master220609143005.bak"));
  EXPECT_FALSE(world.files.Exists(L"G:\\BACKUP"));
}

TEST_F(BackupJobTest, UsbPreferredButNoRemovableDriveUsesTheLocalFolder) {
  BackupSettings.BackupToUsb = true;
  EXPECT_TRUE(main->Backup(L"", L"master"));
  EXPECT_TRUE(world.files.Exists(L"D:\\bak\\master220609143005.bak"));
}

TEST_F(BackupJobTest, UsbPreferredGoesToTheBackupFolderAtTheDrivesRoot) {
  BackupSettings.BackupToUsb = true;
  AddUsbDrive(L'E', L"old");
  AddUsbDrive(L'G', L"stick");
  EXPECT_TRUE(main->Backup(L"", L"master"));
  EXPECT_EQ(LogMessages(),
            std::vector<std::wstring>{L"数据库备份成功: G:\\BACKUP\\master220609143005.bak"});
  EXPECT_TRUE(world.files.Exists(L"G:\\BACKUP\\master220609143005.bak"));
  EXPECT_FALSE(world.files.Exists(L"E:\\BACKUP"));
  EXPECT_TRUE(world.files.List(L"D:\\bak").empty());
}

TEST_F(BackupJobTest, AnEmptyCardSlotWithAHigherLetterDoesNotCaptureTheBackup) {
  BackupSettings.BackupToUsb = true;
  AddUsbDrive(L'E', L"stick");
  AddUsbDrive(L'H', L"", false);
  EXPECT_TRUE(main->Backup(L"", L"master"));
  EXPECT_TRUE(world.files.Exists(L"E:\\BACKUP\\master220609143005.bak"));
}

TEST_F(BackupJobTest, ALabelMismatchReturnsFalseWithoutContactingTheServer) {
  BackupSettings.BackupToUsb = true;
  BackupSettings.MustLabel = true;
  main->edtLabel.SetText(L"备份U盘");
  AddUsbDrive(L'G', L"备份");
  EXPECT_FALSE(main->Backup(L"", L"master"));
  EXPECT_TRUE(world.server.connects.empty());
  EXPECT_TRUE(world.server.statements.empty());
  EXPECT_TRUE(LogLines().empty());
  EXPECT_TRUE(world.files.List(L"D:\\bak").empty());
  EXPECT_FALSE(world.files.Exists(L"G:\\BACKUP"));
}

TEST_F(BackupJobTest, AMatchingLabelBacksUpToTheDrive) {
  BackupSettings.BackupToUsb = true;
  BackupSettings.MustLabel = true;
  BackupSettings.UsbLabel = L"not consulted";
  main->edtLabel.SetText(L"备份U盘");
  AddUsbDrive(L'G', L"备份U盘2");
  EXPECT_TRUE(main->Backup(L"", L"master"));
  EXPECT_TRUE(world.files.Exists(L"G:\\BACKUP\\master220609143005.bak"));
}

TEST_F(BackupJobTest, ALabelIsNotCheckedWhenNotRequired) {
  BackupSettings.BackupToUsb = true;
  main->edtLabel.SetText(L"备份U盘");
  AddUsbDrive(L'G', L"other");
  EXPECT_TRUE(main->Backup(L"", L"master"));
  EXPECT_TRUE(world.files.Exists(L"G:\\BACKUP\\master220609143005.bak"));
}

}  // namespace
