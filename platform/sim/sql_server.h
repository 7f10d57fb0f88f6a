#pragma once
// A scripted SQL Server on the local machine, as the OLE DB provider sees it: it is up or
// down, accepts or refuses logins, lists its databases, refuses some backups, takes virtual
// time for a backup and writes the backup file into the simulated file system. It parses
// connection strings and statements as the real provider and server do, and records what
// it receives.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/clock.h"
#include "platform/sim/file_system.h"

namespace platform::sim {

// One backup the server wrote in full: the TO DISK path as the statement named it, and the
// bytes it wrote there (followed by that many zero bytes).
struct WrittenBackup {
  std::wstring disk;
  std::string bytes;
  std::uint64_t zeros = 0;
};

struct ReceivedStatement {
  std::wstring connectionString;
  std::wstring sql;
  int commandTimeoutSeconds = 0;
};

// The rows of a statement that returns rows.
struct RowSet {
  std::vector<std::wstring> columns;
  std::vector<std::vector<std::wstring>> rows;
};

class SimServer {
 public:
  SimServer(Clock& clock, SimFileSystem& files) : clock_(clock), files_(files) {}

  // --- the server a test scripts ---
  // In the order of sysdatabases.
  std::vector<std::wstring> databases{L"master", L"tempdb", L"model", L"msdb"};
  bool acceptIntegratedSecurity = true;
  std::wstring saPassword;
  std::wstring windowsUser = L"TAVRIX\\Administrator";
  // Virtual time a backup takes, unless set for its database.
  std::int64_t backupMilliseconds = 2'000;
  // Size of every backup file ("TAPE", a count, the name, then '.'; past 16 MiB zero bytes).
  std::uint64_t backupBytes = 4'096;
  // Virtual time the database list takes.
  std::int64_t listMilliseconds = 0;
  // The database list fails with this message.
  std::optional<std::wstring> listFailure;

  // The service stops: new logins fail and open connections are broken for good.
  void Stop();
  void Start();
  bool Running() const { return running_; }
  // The server answers a backup of the database with this message (SQL Server's own text
  // for databases that cannot be backed up when empty).
  void Refuse(const std::wstring& database, const std::wstring& message = {});
  // Backups of the database are made again.
  void Allow(const std::wstring& database);
  void SetBackupDuration(const std::wstring& database, std::int64_t milliseconds);

  // --- what the server received ---
  std::vector<std::wstring> connects;  // the connection string of each login
  std::vector<ReceivedStatement> statements;
  int backupsWritten = 0;
  std::vector<WrittenBackup> written;
  // The message of every error the server answered with, logins included, in order.
  std::vector<std::wstring> errors;

  // --- the provider's side ---
  // Logs in; the session number, or DatabaseError with the provider's message.
  std::uint64_t Connect(const std::wstring& connectionString);
  bool SessionAlive(std::uint64_t session) const { return running_ && session == epoch_; }
  // Runs one statement of a session; the rows when it returns rows.
  std::optional<RowSet> Execute(std::uint64_t session, const std::wstring& connectionString,
                                const std::wstring& sql, int commandTimeoutSeconds);

 private:
  std::uint64_t Login(const std::wstring& connectionString);
  std::optional<RowSet> Run(std::uint64_t session, const std::wstring& connectionString,
                            const std::wstring& sql, int commandTimeoutSeconds);
  // Lets the statement's time pass; raises the provider's time-out when it runs longer than
  // the command time-out (0: no limit).
  void Spend(std::int64_t milliseconds, int timeoutSeconds);
  void RunBackup(const std::wstring& database, const std::wstring& disk, int timeoutSeconds);
  const std::wstring* FindDatabase(const std::wstring& name) const;

  Clock& clock_;
  SimFileSystem& files_;
  bool running_ = true;
  std::uint64_t epoch_ = 1;
  std::map<std::wstring, std::wstring> refused_;    // by upper-case name
  std::map<std::wstring, std::int64_t> durations_;  // by upper-case name
};

// The properties of an OLE DB connection string, keys in upper case; values unquoted (a
// value in double or single quotes may hold ';', a doubled quote stands for one). The last
// of repeated keys wins. Nothing when the string is malformed.
std::optional<std::map<std::wstring, std::wstring>> ParseConnectionString(const std::wstring& text);

}  // namespace platform::sim
