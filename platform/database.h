#pragma once
// The database access layer: query objects over ADO (Windows) or a scripted server (sim).
// Every failure is raised as DatabaseError with the access layer's message.
#include <memory>
#include <string>

namespace platform {

class Query {
 public:
  virtual ~Query() = default;
  // Closes an open row set; no error when already closed.
  virtual void Close() = 0;
  // A string that differs from the current one drops the connection; the next statement
  // opens a new one. The same string keeps the open connection.
  virtual void SetConnectionString(const std::wstring& text) = 0;
  virtual const std::wstring& ConnectionString() const = 0;
  // Replaces the SQL text.
  virtual void SetSql(const std::wstring& text) = 0;
  // Seconds a statement may run; 0 waits until the server finishes. The default is 30.
  virtual void SetCommandTimeout(int seconds) = 0;
  // Runs the statement without rows; returns once it has completed.
  virtual void ExecSql() = 0;
  // Runs the statement and opens its rows.
  virtual void Open() = 0;
  virtual bool Eof() = 0;
  virtual std::wstring FieldAsString(const std::wstring& name) = 0;
  virtual void Next() = 0;
};

class Database {
 public:
  virtual ~Database() = default;
  virtual std::unique_ptr<Query> CreateQuery() = 0;
};

inline constexpr int kDefaultCommandTimeoutSeconds = 30;

}  // namespace platform
