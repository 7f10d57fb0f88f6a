// The ADO adapter against a server that speaks the real protocol: inside
// tests/tds/wine_harness.py the exact SQLOLEDB connection strings go through Wine's msado15,
// its MSDASQL provider, unixODBC and FreeTDS to the TDS test peer, which logs every request.
// Outside the harness (the normal Wine run) every test here is skipped.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/win32/database.h"
#include "platform/win32/handle.h"
#include "untComm/connection_string.h"
#include "untMain/backup_names.h"
#include "tests/win32/adapter_test_main.h"

namespace {

using win32test::ComApartment;

using Clock = std::chrono::steady_clock;

std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
  return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

// A host path as Wine sees it through drive Z:.
std::wstring OnDriveZ(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'/')
      c = L'\\';
  }
  return L"Z:" + path;
}

std::optional<std::string> ReadWhole(const std::wstring& path) {
  platform::win32::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                 OPEN_EXISTING, 0, nullptr));
  if (!file.valid())
    return std::nullopt;
  std::string bytes;
  char chunk[8192];
  DWORD read = 0;
  while (ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr) && read > 0)
    bytes.append(chunk, read);
  return bytes;
}

bool WriteWhole(const std::wstring& path, const std::string& bytes) {
  platform::win32::UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file.valid() &&
         WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// The UTF-16LE bytes of a text in lower-case hex, as the peer logs the SQL it received.
std::string Utf16Hex(const std::wstring& text) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (wchar_t c : text) {
    for (unsigned byte :
         {static_cast<unsigned>(c) & 0xFFu, (static_cast<unsigned>(c) >> 8) & 0xFFu}) {
      hex += digits[byte >> 4];
      hex += digits[byte & 0xF];
    }
  }
  return hex;
}

std::string Utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 0 ? size : 0, '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
  return bytes;
}

// The peer as the harness describes it in the environment; its request log is one JSON line
// per request, read from the point the test started.
class TdsPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Environment(L"TDS_HARNESS") != L"1")
      GTEST_SKIP() << "needs the TDS test peer: run under tests/tds/wine_harness.py";
    ASSERT_TRUE(SUCCEEDED(com_.Result()));
    log_ = OnDriveZ(Environment(L"TDS_PEER_LOG"));
    override_ = OnDriveZ(Environment(L"TDS_PEER_OVERRIDE"));
    queryTimeout_ = _wtoi(Environment(L"TDS_PEER_QUERY_TIMEOUT").c_str());
    connectTimeout_ = _wtoi(Environment(L"TDS_PEER_CONNECT_TIMEOUT").c_str());
    DeleteFileW(override_.c_str());
    logStart_ = ReadWhole(log_).value_or("").size();
    CreateDirectoryW(untMain::kTempBackupFolder, nullptr);
  }
  void TearDown() override {
    if (!override_.empty())
      DeleteFileW(override_.c_str());
  }

  // The peer answers the next requests with these configuration keys (a JSON object).
  void SetPeer(const std::string& json) { ASSERT_TRUE(WriteWhole(override_, json)); }

  // The logged requests of one kind since the test started.
  std::vector<std::string> Requests(const std::string& kind) const {
    const std::string text = ReadWhole(log_).value_or("").substr(logStart_);
    std::vector<std::string> lines;
    for (size_t begin = 0, end; begin < text.size(); begin = end + 1) {
      end = text.find('\n', begin);
      if (end == std::string::npos)
        end = text.size();
      std::string line = text.substr(begin, end - begin);
      if (line.find("\"request\": \"" + kind + "\"") != std::string::npos)
        lines.push_back(line);
    }
    return lines;
  }

  std::unique_ptr<platform::Query> NewQuery(const std::wstring& connectionString,
                                            const std::wstring& sql) {
    auto query = database_.CreateQuery();
    query->SetConnectionString(connectionString);
    query->SetSql(sql);
    return query;
  }

  ComApartment com_;
  platform::win32::AdoDatabase database_;
  std::wstring log_;
  std::wstring override_;
  size_t logStart_ = 0;
  int queryTimeout_ = 0;
  int connectTimeout_ = 0;
};

TEST_F(TdsPeerTest, IntegratedSecurityStringOpensAndLogsInWithKerberosOnMaster) {
  auto query = NewQuery(untComm::kIntegratedConnectionString, L"select name from sysdatabases");
  ASSERT_NO_THROW(query->Open());
  std::vector<std::wstring> names;
  while (!query->Eof() && names.size() < 10) {
    names.push_back(query->FieldAsString(L"name"));
    query->Next();
  }
  // Wine 8's Recordset reports the fields and then the end at once; a server's rows, when
  // they arrive, are the configured ones in order.
  if (!names.empty()) {
    EXPECT_EQ(names.front(), L"master");
  }

  const auto logins = Requests("login7");
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_NE(logins[0].find("\"integrated_security\": true"), std::string::npos) << logins[0];
  EXPECT_NE(logins[0].find("\"user\": \"\""), std::string::npos) << logins[0];
  EXPECT_NE(logins[0].find("\"database\": \"master\""), std::string::npos) << logins[0];
  EXPECT_EQ(logins[0].find("\"sspi_bytes\": 0,"), std::string::npos) << logins[0];
  const auto batches = Requests("sql_batch");
  ASSERT_EQ(batches.size(), 1u);
  EXPECT_NE(batches[0].find("\"sql\": \"select name from sysdatabases\""), std::string::npos)
      << batches[0];
}

struct BackupCase {
  const wchar_t* dbname;
  const wchar_t* statement;  // as the server must receive it
  const wchar_t* file;       // the file the server writes
};

class TdsPeerBackup : public TdsPeerTest, public ::testing::WithParamInterface<BackupCase> {};

TEST_P(TdsPeerBackup, StatementReachesTheServerByteForByteAndTheServerWritesTheFile) {
  const BackupCase& c = GetParam();
  const std::wstring file = std::wstring(untMain::kTempBackupFolder) + L"\\" +
                            untMain::BackupFileName(c.dbname, L"240102030405");
  ASSERT_EQ(file, c.file);
  const std::wstring statement = untMain::BackupStatement(c.dbname, file);
  ASSERT_EQ(statement, c.statement);
  DeleteFileW(file.c_str());

  auto query = NewQuery(untComm::kIntegratedConnectionString, statement);
  EXPECT_NO_THROW(query->ExecSql());

  const auto batches = Requests("sql_batch");
  ASSERT_EQ(batches.size(), 1u);
  EXPECT_NE(batches[0].find("\"sql_utf16le\": \"" + Utf16Hex(statement) + "\""), std::string::npos)
      << batches[0];
  EXPECT_NE(batches[0].find("\"answer\": \"backup\""), std::string::npos) << batches[0];
  const auto written = ReadWhole(file);
  ASSERT_TRUE(written.has_value()) << "no file at the TO DISK path";
  EXPECT_EQ(written->rfind("TDSPEER BACKUP\ndatabase: ", 0), 0u);
  DeleteFileW(file.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Names, TdsPeerBackup,
    ::testing::Values(
        BackupCase{L"master",
                   L"BACKUP DATABASE \"master\" TO DISK ='c:\\tempbak\\master240102030405.bak' "
                   L"with init",
                   L"c:\\tempbak\\master240102030405.bak"},
        BackupCase{L"备份库",
                   L"BACKUP DATABASE \"备份库\" TO DISK =N'c:\\tempbak\\备份库240102030405.bak' "
                   L"with init",
                   L"c:\\tempbak\\备份库240102030405.bak"},
        BackupCase{L"we\"ird'name",
                   L"BACKUP DATABASE \"we\"\"ird'name\" TO DISK "
                   L"='c:\\tempbak\\we_ird''name240102030405.bak' with init",
                   L"c:\\tempbak\\we_ird'name240102030405.bak"}));

struct RefusedCase {
  const wchar_t* dbname;
  const wchar_t* folder;
  const char* answer;
};

class TdsPeerRefused : public TdsPeerTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(TdsPeerRefused, ServerErrorBecomesDatabaseError) {
  const RefusedCase& c = GetParam();
  const std::wstring file = std::wstring(c.folder) + L"\\" + c.dbname + L"1.bak";
  auto query =
      NewQuery(untComm::kIntegratedConnectionString, untMain::BackupStatement(c.dbname, file));
  std::wstring message;
  try {
    query->ExecSql();
    ADD_FAILURE() << "no DatabaseError";
  } catch (const platform::DatabaseError& e) {
    message = e.Message();
  }
  EXPECT_FALSE(message.empty());
  RecordProperty("message", Utf8(message));
  const auto batches = Requests("sql_batch");
  ASSERT_EQ(batches.size(), 1u);
  EXPECT_NE(batches[0].find(std::string("\"answer\": \"") + c.answer + "\""), std::string::npos)
      << batches[0];
  EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
}

INSTANTIATE_TEST_SUITE_P(Errors, TdsPeerRefused,
                         ::testing::Values(RefusedCase{L"tempdb", L"c:\\tempbak", "error 3201"},
                                           RefusedCase{L"nosuch", L"c:\\tempbak", "error 911"},
                                           RefusedCase{L"master", L"c:\\missing-folder",
                                                       "error 3201"}));

TEST_F(TdsPeerTest, SqlServersInformationalRepliesFailInWinesOdbcBridge) {
  // SQL Server ends a backup with informational messages 4035 and 3014; Wine's MSDASQL turns
  // the driver's SQL_SUCCESS_WITH_INFO into E_FAIL although the server wrote the file.
  SetPeer(R"({"mode": "sqlserver"})");
  const std::wstring file = L"c:\\tempbak\\info1.bak";
  DeleteFileW(file.c_str());
  auto query =
      NewQuery(untComm::kIntegratedConnectionString, untMain::BackupStatement(L"master", file));
  EXPECT_THROW(query->ExecSql(), platform::DatabaseError);
  EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileW(file.c_str());
}

TEST_F(TdsPeerTest, SameConnectionStringKeepsTheConnectionAndAnotherOpensANewOne) {
  auto query = NewQuery(untComm::kIntegratedConnectionString, L"select 1");
  ASSERT_NO_THROW(query->ExecSql());
  ASSERT_NO_THROW(query->ExecSql());
  EXPECT_EQ(Requests("login7").size(), 1u);
  query->SetConnectionString(untComm::MakeConnectionString(false, L"secret"));
  ASSERT_NO_THROW(query->ExecSql());
  const auto logins = Requests("login7");
  ASSERT_EQ(logins.size(), 2u);
  // Wine's provider passes neither User ID nor Password on: FreeTDS logs in with Kerberos.
  EXPECT_NE(logins[1].find("\"user\": \"\""), std::string::npos) << logins[1];
  EXPECT_EQ(Requests("sql_batch").size(), 3u);
}

struct SilentCase {
  const char* peer;     // the peer's behaviour
  const char* logged;   // a request the peer must have seen
  bool connectTimeout;  // bounded by FreeTDS's connect timeout (else its query timeout)
};

class TdsPeerSilent : public TdsPeerTest, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(TdsPeerSilent, CannotHangTheProgram) {
  const SilentCase& c = GetParam();
  SetPeer(c.peer);
  const std::wstring file = L"c:\\tempbak\\silent1.bak";
  auto query =
      NewQuery(untComm::kIntegratedConnectionString, untMain::BackupStatement(L"master", file));
  const auto started = Clock::now();
  EXPECT_THROW(query->ExecSql(), platform::DatabaseError);
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - started).count();
  // FreeTDS waits out its timeout, sends a cancel and waits once more for the answer.
  const int bound = 2 * (c.connectTimeout ? connectTimeout_ : queryTimeout_) + 5;
  EXPECT_LE(seconds, bound);
  EXPECT_FALSE(Requests(c.logged).empty()) << c.logged;
  EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
}

INSTANTIATE_TEST_SUITE_P(Modes, TdsPeerSilent,
                         ::testing::Values(SilentCase{R"({"mode": "silent"})", "sql_batch", false},
                                           SilentCase{R"({"delay": 60})", "attention", false},
                                           SilentCase{R"({"mode": "silent-login"})", "prelogin",
                                                      true}));

}  // namespace
