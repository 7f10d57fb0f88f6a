// The ADO adapter over the system's msado15. In the Wine test prefix there is no SQL Server
// and no SQLOLEDB provider, so every connection fails: what is checked is that the objects
// are made and that each failure arrives as a DatabaseError with a message a user can read.
// The adapter against a server that answers: ado_server_test.cpp.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cwchar>
#include <iostream>
#include <vector>

#include "platform/error.h"
#include "platform/win32/ado_error.h"
#include "platform/win32/ado_interfaces.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/database.h"
#include "tests/win32/adapter_test_main.h"

namespace {

using win32test::ComApartment;

using win32test::UnderWine;

using platform::win32::ComPtr;

constexpr wchar_t kIntegratedSecurity[] =
    L"Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
    L"Initial Catalog=master;Data Source=(local)";
constexpr wchar_t kSaLogin[] =
    L"Provider=SQLOLEDB.1;Persist Security Info=true;Initial Catalog=master;"
    L"Data Source=(local);User ID=sa;Password=secret";

class AdoTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(com_.Result())) << std::hex << com_.Result(); }

  // The message of the DatabaseError the call raised; "<none>" when it raised nothing.
  template <typename Call>
  static std::wstring FailureOf(Call call) {
    try {
      call();
    } catch (const platform::DatabaseError& e) {
      return e.Message();
    }
    return L"<none>";
  }

  ComApartment com_;
  platform::win32::AdoDatabase database_;
};

TEST_F(AdoTest, ConnectionAndRecordsetAreMadeWithTheAdo2InterfaceIds) {
  namespace ado = platform::win32::ado;
  ComPtr<ado::Connection> connection;
  ComPtr<ado::Recordset> recordset;
  EXPECT_EQ(CoCreateInstance(ado::kConnectionClass, nullptr, CLSCTX_INPROC_SERVER,
                             ado::kConnectionInterface, connection.put_void()),
            S_OK);
  EXPECT_EQ(CoCreateInstance(ado::kRecordsetClass, nullptr, CLSCTX_INPROC_SERVER,
                             ado::kRecordsetInterface, recordset.put_void()),
            S_OK);
  ASSERT_TRUE(connection && recordset);
  LONG state = -1;
  EXPECT_EQ(connection->get_State(&state), S_OK);
  EXPECT_EQ(state, adStateClosed);
}

TEST_F(AdoTest, TheIntegratedSecurityStringFailsAtOnceWithAClearMessage) {
  if (!UnderWine())
    GTEST_SKIP() << "a server may answer (local) here";
  // What the backup job does on its query: no time-out, then the BACKUP statement.
  std::unique_ptr<platform::Query> query = database_.CreateQuery();
  query->Close();
  query->SetConnectionString(kIntegratedSecurity);
  query->SetCommandTimeout(0);
  query->SetSql(
      L"BACKUP DATABASE \"master\" TO DISK ='c:\\tempbak\\master251210120000.bak' with init");
  const auto start = std::chrono::steady_clock::now();
  const std::wstring message = FailureOf([&] { query->ExecSql(); });
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  std::cout << "the failed connection took " << took.count() << " ms\n";
  // Wine's msado15 knows no SQLOLEDB (0x800401F3) and gives neither provider errors nor an
  // error object, so the text is the adapter's own.
  EXPECT_NE(message.find(L"OLE DB"), std::wstring::npos) << message.size();
  EXPECT_NE(message.find(L"(HRESULT 0x800401F3)"), std::wstring::npos) << message.size();
  EXPECT_EQ(query->ConnectionString(), kIntegratedSecurity);
}

struct Statement {
  const char* name;
  void (platform::Query::*run)();
};

constexpr Statement kStatements[] = {
    {"ExecSql", &platform::Query::ExecSql},
    {"Open", &platform::Query::Open},
};

TEST_F(AdoTest, EveryConnectionThatCannotBeOpenedRaisesAMessage) {
  std::vector<const wchar_t*> unusable = {L"", L"Provider=NoSuchProvider.1;Data Source=(local)"};
  if (UnderWine())
    unusable.insert(unusable.end(), {kIntegratedSecurity, kSaLogin});
  for (const wchar_t* text : unusable) {
    for (const Statement& statement : kStatements) {
      SCOPED_TRACE(testing::Message() << statement.name << " on \"" << text << "\"");
      std::unique_ptr<platform::Query> query = database_.CreateQuery();
      query->SetConnectionString(text);
      query->SetSql(L"select name from sysdatabases");
      const std::wstring first = FailureOf([&] { (query.get()->*statement.run)(); });
      EXPECT_NE(first, L"<none>");
      EXPECT_NE(first.find(L"HRESULT 0x"), 0u) << "a text comes before the code";
      EXPECT_FALSE(first.empty());
      // The failed connection is not kept: the next statement tries to connect again and
      // fails the same way, not on a closed object.
      EXPECT_EQ(FailureOf([&] { (query.get()->*statement.run)(); }), first);
      EXPECT_TRUE(query->Eof()) << "no rows after a failed open";
      query->Close();
    }
  }
}

TEST_F(AdoTest, AQueryWithoutRowsClosesQuietlyAndRefusesToReadThem) {
  std::unique_ptr<platform::Query> query = database_.CreateQuery();
  query->Close();
  query->Close();
  EXPECT_TRUE(query->Eof());
  for (const std::wstring& message :
       {FailureOf([&] { query->FieldAsString(L"name"); }), FailureOf([&] { query->Next(); })}) {
    EXPECT_NE(message, L"<none>");
    EXPECT_FALSE(message.empty());
  }
}

TEST_F(AdoTest, TheConnectionStringIsKeptUntilADifferentOneIsGiven) {
  std::unique_ptr<platform::Query> query = database_.CreateQuery();
  EXPECT_EQ(query->ConnectionString(), L"");
  query->SetConnectionString(kSaLogin);
  FailureOf([&] { query->ExecSql(); });
  EXPECT_EQ(query->ConnectionString(), kSaLogin);
  query->SetConnectionString(kIntegratedSecurity);
  EXPECT_EQ(query->ConnectionString(), kIntegratedSecurity);
}

TEST(AdoMessageTest, EachHresultGetsATextFollowedByItsCode) {
  const HRESULT results[] = {CO_E_CLASSSTRING,
                             REGDB_E_CLASSNOTREG,
                             E_NOINTERFACE,
                             E_FAIL,
                             static_cast<HRESULT>(0x80040E4D),
                             static_cast<HRESULT>(0xA00F1234)};
  for (const HRESULT result : results) {
    const std::wstring message = platform::win32::HresultMessage(result);
    SCOPED_TRACE(testing::Message() << std::hex << static_cast<unsigned long>(result));
    wchar_t code[32] = {};
    swprintf(code, 32, L" (HRESULT 0x%08lX)", static_cast<unsigned long>(result));
    ASSERT_GT(message.size(), wcslen(code));
    EXPECT_EQ(message.substr(message.size() - wcslen(code)), code);
    const wchar_t last = message[message.size() - wcslen(code) - 1];
    EXPECT_GT(static_cast<unsigned>(last), static_cast<unsigned>(L' '));
    EXPECT_NE(last, L'.');
    EXPECT_NE(last, L'\u3002');
  }
}

}  // namespace
