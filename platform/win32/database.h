#pragma once
#include "platform/database.h"
#include "platform/win32/ado_interfaces.h"
#include "platform/win32/com_ptr.h"

namespace platform::win32 {

// A query object over ADO. Statements without rows go through Connection.Execute, rows
// through a forward-only Recordset opened on the same connection. The connection is opened
// at the first statement and kept while the connection string stays the same and its
// statements succeed; a failed statement closes it, and the next one opens a new one. Runs
// on a thread whose COM apartment is already initialised.
class AdoQuery : public Query {
 public:
  AdoQuery() = default;
  ~AdoQuery() override;
  AdoQuery(const AdoQuery&) = delete;
  AdoQuery& operator=(const AdoQuery&) = delete;

  void Close() override;
  void SetConnectionString(const std::wstring& text) override;
  const std::wstring& ConnectionString() const override;
  void SetSql(const std::wstring& text) override;
  void SetCommandTimeout(int seconds) override;
  void ExecSql() override;
  void Open() override;
  bool Eof() override;
  std::wstring FieldAsString(const std::wstring& name) override;
  void Next() override;

 private:
  ado::Connection& Connected();
  void Disconnect();
  void ApplyCommandTimeout(ado::Connection& connection);
  [[noreturn]] void FailStatement(HRESULT result, IUnknown* object, REFIID iid);
  ado::Recordset& OpenRows();

  ComPtr<ado::Connection> connection_;
  ComPtr<ado::Recordset> recordset_;
  std::wstring connectionString_;
  std::wstring sql_;
  int commandTimeout_ = kDefaultCommandTimeoutSeconds;
};

class AdoDatabase : public Database {
 public:
  std::unique_ptr<Query> CreateQuery() override;
};

}  // namespace platform::win32
