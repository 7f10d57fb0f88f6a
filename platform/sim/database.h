#pragma once
// Query objects over the scripted server, with the access layer's connection rules: the
// connection opens at the first statement and stays open while the connection string stays
// the same; a different string drops it. A connection the server broke stays broken.
#include <memory>
#include <optional>

#include "platform/database.h"
#include "platform/sim/sql_server.h"

namespace platform::sim {

class SimQuery : public Query {
 public:
  explicit SimQuery(SimServer& server) : server_(server) {}

  void Close() override { rows_.reset(); }
  void SetConnectionString(const std::wstring& text) override;
  const std::wstring& ConnectionString() const override { return connectionString_; }
  void SetSql(const std::wstring& text) override { sql_ = text; }
  void SetCommandTimeout(int seconds) override { commandTimeout_ = seconds; }
  void ExecSql() override;
  void Open() override;
  bool Eof() override;
  std::wstring FieldAsString(const std::wstring& name) override;
  void Next() override;

  bool Connected() const { return session_.has_value(); }
  const std::wstring& Sql() const { return sql_; }
  int CommandTimeout() const { return commandTimeout_; }

 private:
  std::uint64_t Session();
  const RowSet& Rows() const;

  SimServer& server_;
  std::wstring connectionString_;
  std::wstring sql_;
  int commandTimeout_ = kDefaultCommandTimeoutSeconds;
  std::optional<std::uint64_t> session_;
  std::optional<RowSet> rows_;
  std::size_t row_ = 0;
};

class SimDatabase : public Database {
 public:
  explicit SimDatabase(SimServer& server) : server_(server) {}
  std::unique_ptr<Query> CreateQuery() override;

 private:
  SimServer& server_;
};

}  // namespace platform::sim
