// The simulated server, query objects and drives behave as the real ones the engine relies
// on: logins, statements parsed as the server parses them, connections, row sets, drive
// lists and volume labels.
#include "platform/sim/database.h"
#include "tests/backup_engine_fixture.h"
#include "untComm/connection_string.h"

using platform::DatabaseError;
using platform::sim::SimQuery;
using untComm::kIntegratedConnectionString;

namespace {

class SimServerTest : public BackupEngineTest {
 protected:
  SimServerTest() { world.files.MakeDirectories(L"C:\\tempbak"); }
  // The message a statement fails with on a fresh query object, or "" when it succeeds.
  std::wstring Run(const std::wstring& sql,
                   const std::wstring& connection = kIntegratedConnectionString) {
    SimQuery query(world.server);
    query.SetConnectionString(connection);
    query.SetSql(sql);
    try {
      query.ExecSql();
    } catch (const DatabaseError& error) {
      return error.Message();
    }
    return L"";
  }
};

TEST_F(SimServerTest, TheBackupFileIsWrittenAtTheUnquotedDiskPath) {
  world.server.databases.push_back(L"a\"b");
  EXPECT_EQ(Run(L"BACKUP DATABASE \"a\"\"b\" TO DISK ='c:\\tempbak\\it''s.bak' with init"), L"");
  EXPECT_TRUE(world.files.Exists(L"C:\\tempbak\\it's.bak"));
  EXPECT_EQ(Run(L"backup database [master] to disk = N'c:\\tempbak\\m.bak'"), L"");
  EXPECT_TRUE(world.files.Exists(L"C:\\tempbak\\m.bak"));
  EXPECT_EQ(world.server.backupsWritten, 2);
}

struct RefusalCase {
  const wchar_t* sql;
  const wchar_t* messageStart;
};

class SimServerRefusalTest : public SimServerTest,
                             public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(SimServerRefusalTest, AnswersLikeSqlServer) {
  world.server.Refuse(L"tempdb");
  const std::wstring message = Run(GetParam().sql);
  EXPECT_EQ(message.substr(0, std::wstring(GetParam().messageStart).size()),
            GetParam().messageStart)
      << message;
  EXPECT_EQ(world.server.backupsWritten, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, SimServerRefusalTest,
    ::testing::Values(
        RefusalCase{L"BACKUP DATABASE \"nosuch\" TO DISK ='c:\\tempbak\\n.bak' with init",
                    L"Could not locate entry in sysdatabases for database 'nosuch'."},
        RefusalCase{L"BACKUP DATABASE \"tempdb\" TO DISK ='c:\\tempbak\\t.bak' with init",
                    L"Backup and restore operations are not allowed on database tempdb."},
        RefusalCase{L"BACKUP DATABASE \"master\" TO DISK ='c:\\nofolder\\m.bak' with init",
                    L"Cannot open backup device 'c:\\nofolder\\m.bak'. Operating system error "
                    L"3(The system cannot find the path specified.)."},
        RefusalCase{L"BACKUP DATABASE \"a\"b\" TO DISK ='c:\\tempbak\\m.bak' with init",
                    L"Unclosed quotation mark"},
        RefusalCase{L"BACKUP DATABASE \"master\" TO DISK ='c:\\tempbak\\it's.bak' with init",
                    L"Unclosed quotation mark"},
        RefusalCase{L"BACKUP DATABASE \"master\" TO DISK ='c:\\tempbak\\m.bak",
                    L"Unclosed "
                    L"quotation mark"},
        RefusalCase{L"select name from nosuchtable", L"Invalid object name"},
        RefusalCase{L"BACKUP DATABASE master TO 'c:\\tempbak\\m.bak'",
                    L"Incorrect syntax near "
                    L"''c:\\tempbak\\m.bak''."}));

TEST_F(SimServerTest, LoginsAreCheckedAgainstTheServersAccounts) {
  world.server.saPassword = L"pw";
  const std::wstring sa = untComm::kSaConnectionStringPrefix;
  const wchar_t* const backup = L"BACKUP DATABASE \"master\" TO DISK ='c:\\tempbak\\m.bak'";
  EXPECT_EQ(Run(backup, sa + L"pw"), L"");
  EXPECT_EQ(Run(backup, sa + L"PW"), L"Login failed for user 'sa'.");
  EXPECT_EQ(Run(backup, L"Provider=MSDASQL;Data Source=(local)"),
            L"Provider cannot be found. It may not be properly installed.");
  EXPECT_EQ(Run(backup, L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Data Source=far"),
            L"[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or access denied.");
  EXPECT_EQ(Run(backup, L"Provider=SQLOLEDB.1;Password=\"open"),
            L"Format of the initialization string is not valid.");
  EXPECT_EQ(world.server.connects, std::vector<std::wstring>{sa + L"pw"});
}

TEST_F(SimServerTest, AConnectionBrokenByAServerStopStaysBroken) {
  SimQuery query(world.server);
  query.SetConnectionString(kIntegratedConnectionString);
  query.SetSql(L"BACKUP DATABASE \"master\" TO DISK ='c:\\tempbak\\m.bak'");
  query.ExecSql();
  world.server.Stop();
  world.server.Start();
  EXPECT_THROW(query.ExecSql(), DatabaseError);
  EXPECT_THROW(query.ExecSql(), DatabaseError);
  // A new connection string opens a new connection.
  query.SetConnectionString(std::wstring(kIntegratedConnectionString) + L";");
  EXPECT_NO_THROW(query.ExecSql());
  EXPECT_EQ(world.server.connects.size(), 2u);
}

TEST_F(SimServerTest, RowsComeInServerOrderAndFailAsTheAccessLayerDoes) {
  SimQuery query(world.server);
  EXPECT_THROW(query.Eof(), DatabaseError);  // never opened
  query.SetConnectionString(kIntegratedConnectionString);
  query.SetSql(L"select name from sysdatabases");
  query.Open();
  std::vector<std::wstring> names;
  while (!query.Eof()) {
    names.push_back(query.FieldAsString(L"NAME"));
    query.Next();
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"master", L"tempdb", L"model", L"msdb"}));
  EXPECT_THROW(query.FieldAsString(L"name"), DatabaseError);
  EXPECT_THROW(query.Next(), DatabaseError);
  query.Close();
  query.Close();  // closing twice is no error
  query.Open();
  EXPECT_THROW(query.FieldAsString(L"dbid"), DatabaseError);
}

TEST_F(SimServerTest, ABackupLongerThanTheCommandTimeOutIsCancelledAtTheTimeOut) {
  world.server.backupMilliseconds = 40'000;
  SimQuery query(world.server);
  query.SetConnectionString(kIntegratedConnectionString);
  query.SetSql(L"BACKUP DATABASE \"master\" TO DISK ='c:\\tempbak\\m.bak' with init");
  const auto start = world.clock.Milliseconds();
  EXPECT_THROW(query.ExecSql(), DatabaseError);
  EXPECT_EQ(world.clock.Milliseconds() - start, 30'000);
  EXPECT_EQ(world.server.backupsWritten, 0);
  query.SetCommandTimeout(0);
  EXPECT_NO_THROW(query.ExecSql());
  EXPECT_EQ(world.clock.Milliseconds() - start, 70'000);
}

TEST_F(SimServerTest, TheDriveListNeedsRoomForItsFinalNul) {
  AddUsbDrive(L'G', L"");
  const std::wstring list = world.drives.LogicalDriveStrings(260);
  EXPECT_EQ(list, std::wstring(L"C:\\\0D:\\\0G:\\\0", 12));
  EXPECT_EQ(world.drives.LogicalDriveStrings(13), list);
  EXPECT_EQ(world.drives.LogicalDriveStrings(12), L"");
}

TEST_F(SimServerTest, VolumeInformationWantsARootAndAMedium) {
  AddUsbDrive(L'G', L"stick");
  EXPECT_EQ(world.drives.VolumeLabel(L"G:\\", 64), L"stick");
  EXPECT_EQ(world.drives.VolumeLabel(L"G:\\\\", 64), L"stick");
  EXPECT_EQ(world.drives.VolumeLabel(L"G:\\", 3), L"st");
  EXPECT_EQ(world.drives.VolumeLabel(L"G:", 64), std::nullopt);
  EXPECT_EQ(world.drives.VolumeLabel(L"G:\\BACKUP\\", 64), std::nullopt);
  world.files.SetMedium(L'G', false);
  EXPECT_EQ(world.drives.VolumeLabel(L"G:\\", 64), std::nullopt);
  EXPECT_EQ(world.drives.DriveType(L"G:\\"), platform::kDriveRemovable);
  EXPECT_EQ(world.drives.DriveType(L"Q:\\"), 1u);
}

}  // namespace
