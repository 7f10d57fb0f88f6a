// The connection strings: the two templates, and a password that can never add properties.
#include "platform/sim/sql_server.h"
#include "tests/backup_engine_fixture.h"
#include "untComm/connection_string.h"

using untComm::BackupSettings;
using untComm::BuildConnectionString;
using untComm::kIntegratedConnectionString;
using untComm::kSaConnectionStringPrefix;

namespace {

using ConnectionStringTest = BackupEngineTest;

TEST_F(ConnectionStringTest, TemplatesHaveTheirLengths) {
  EXPECT_EQ(std::wstring(kIntegratedConnectionString).size(), 115u);
  EXPECT_EQ(std::wstring(kSaConnectionStringPrefix).size(), 110u);
}

TEST_F(ConnectionStringTest, IntegratedSecurityIgnoresThePassword) {
  BackupSettings.UseIntegratedSecurity = true;
  BuildConnectionString(L"secret;x");
  EXPECT_EQ(BackupSettings.ConnectionString,
            L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
            L"Initial Catalog=master;Data Source=(local)");
}

struct PasswordCase {
  const wchar_t* password;
  const wchar_t* value;  // as it stands after "Password="
};

class PasswordValueTest : public BackupEngineTest,
                          public ::testing::WithParamInterface<PasswordCase> {};

TEST_P(PasswordValueTest, SaTemplateIsFollowedByThePasswordsValue) {
  BackupSettings.UseIntegratedSecurity = false;
  BuildConnectionString(GetParam().password);
  EXPECT_EQ(BackupSettings.ConnectionString,
            std::wstring(kSaConnectionStringPrefix) + GetParam().value);
}

// The server parses the string as the provider does: whatever the password holds, it logs
// in as sa with exactly that password and nothing else changes.
TEST_P(PasswordValueTest, ServerSeesExactlyThePassword) {
  BackupSettings.UseIntegratedSecurity = false;
  BuildConnectionString(GetParam().password);
  const auto properties = platform::sim::ParseConnectionString(BackupSettings.ConnectionString);
  ASSERT_TRUE(properties.has_value());
  EXPECT_EQ(properties->at(L"PASSWORD"), GetParam().password);
  EXPECT_EQ(properties->at(L"USER ID"), L"sa");
  EXPECT_EQ(properties->count(L"INTEGRATED SECURITY"), 0u);
  EXPECT_EQ(properties->at(L"DATA SOURCE"), L"(local)");
  EXPECT_EQ(properties->at(L"INITIAL CATALOG"), L"master");
}

INSTANTIATE_TEST_SUITE_P(
    Passwords, PasswordValueTest,
    ::testing::Values(PasswordCase{L"", L""}, PasswordCase{L"sa123", L"sa123"},
                      PasswordCase{L"pass word", L"pass word"}, PasswordCase{L"密码=1", L"密码=1"},
                      PasswordCase{L"a;b", L"\"a;b\""},
                      PasswordCase{L"x;Integrated Security=SSPI",
                                   L"\"x;Integrated Security=SSPI\""},
                      PasswordCase{L"x;Data Source=evil", L"\"x;Data Source=evil\""},
                      PasswordCase{L"say \"hi\"", L"\"say \"\"hi\"\"\""},
                      PasswordCase{L"it's", L"\"it's\""}, PasswordCase{L" lead", L"\" lead\""},
                      PasswordCase{L"trail ", L"\"trail \""}, PasswordCase{L"\"", L"\"\"\"\""},
                      // White space of other scripts at an end is quoted as well; inside it
                      // is kept as it is.
                      PasswordCase{L"\u00A0lead", L"\"\u00A0lead\""},
                      PasswordCase{L"trail\u3000", L"\"trail\u3000\""},
                      PasswordCase{L"tab\t", L"\"tab\t\""},
                      PasswordCase{L"in\u3000side", L"in\u3000side"},
                      // "Password==x" reads as a key "Password=x" without a value.
                      PasswordCase{L"=x", L"\"=x\""}, PasswordCase{L"x=", L"x="}));

TEST_F(ConnectionStringTest, APasswordWithASemicolonLogsInAsSaWithThatPassword) {
  world.server.acceptIntegratedSecurity = false;
  world.server.saPassword = L"x;Integrated Security=SSPI";
  BackupSettings.UseIntegratedSecurity = false;
  BackupSettings.BackupPass = L"x;Integrated Security=SSPI";
  EXPECT_TRUE(main->Backup(L"", L"master"));
  ASSERT_EQ(world.server.connects.size(), 1u);
  EXPECT_EQ(world.server.connects[0],
            std::wstring(kSaConnectionStringPrefix) + L"\"x;Integrated Security=SSPI\"");
}

}  // namespace
