#include "platform/sim/sql_server.h"

#include <algorithm>
#include <cwctype>

#include "platform/error.h"

namespace platform::sim {

namespace {

constexpr wchar_t kServerNotFound[] =
    L"[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or access denied.";
constexpr wchar_t kNetworkError[] =
    L"[DBNETLIB][ConnectionWrite (send()).]General network error. Check your network "
    L"documentation.";
constexpr wchar_t kTerminating[] = L"BACKUP DATABASE is terminating abnormally.";

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text)
    c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

std::wstring Trim(const std::wstring& text) {
  const auto first = text.find_first_not_of(L" \t\r\n");
  if (first == std::wstring::npos)
    return {};
  return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

std::wstring SystemErrorText(std::uint32_t code) {
  switch (code) {
    case error::kFileNotFound:
      return L"The system cannot find the file specified.";
    case error::kPathNotFound:
      return L"The system cannot find the path specified.";
    case error::kAccessDenied:
      return L"Access is denied.";
    case error::kNotReady:
      return L"The device is not ready.";
    case error::kSharingViolation:
      return L"The process cannot access the file because it is being used by another process.";
    case error::kDiskFull:
      return L"There is not enough space on the disk.";
    default:
      return L"Unknown error.";
  }
}

// --- T-SQL as far as the server needs it ---

enum class TokenKind { Word, QuotedName, String, Symbol };

struct Token {
  TokenKind kind;
  std::wstring text;  // the value: unquoted, doubled quotes made single
  std::wstring raw;   // as written, for error messages
};

bool IsWordChar(wchar_t c) {
  return std::iswalnum(c) || c == L'_' || c == L'@' || c == L'#' || c == L'$' || c > 0x7F;
}

// Reads a quoted part that starts at `pos` (on the opening quote); a doubled closing quote
// stands for one. Raises the server's message when the quote is never closed.
std::wstring ReadQuoted(const std::wstring& sql, std::size_t& pos, wchar_t close) {
  const std::size_t start = pos;
  std::wstring value;
  for (++pos; pos < sql.size(); ++pos) {
    if (sql[pos] != close) {
      value += sql[pos];
    } else if (pos + 1 < sql.size() && sql[pos + 1] == close) {
      value += close;
      ++pos;
    } else {
      ++pos;
      return value;
    }
  }
  throw DatabaseError(L"Unclosed quotation mark after the character string '" +
                      sql.substr(start + 1) + L"'.");
}

std::vector<Token> Tokenize(const std::wstring& sql) {
  std::vector<Token> tokens;
  std::size_t pos = 0;
  while (pos < sql.size()) {
    const wchar_t c = sql[pos];
    const std::size_t start = pos;
    if (std::iswspace(c)) {
      ++pos;
    } else if ((c == L'N' || c == L'n') && pos + 1 < sql.size() && sql[pos + 1] == L'\'') {
      ++pos;
      std::wstring value = ReadQuoted(sql, pos, L'\'');
      tokens.push_back({TokenKind::String, value, sql.substr(start, pos - start)});
    } else if (c == L'\'') {
      std::wstring value = ReadQuoted(sql, pos, L'\'');
      tokens.push_back({TokenKind::String, value, sql.substr(start, pos - start)});
    } else if (c == L'"') {
      std::wstring value = ReadQuoted(sql, pos, L'"');
      tokens.push_back({TokenKind::QuotedName, value, sql.substr(start, pos - start)});
    } else if (c == L'[') {
      std::wstring value = ReadQuoted(sql, pos, L']');
      tokens.push_back({TokenKind::QuotedName, value, sql.substr(start, pos - start)});
    } else if (IsWordChar(c)) {
      while (pos < sql.size() && IsWordChar(sql[pos]))
        ++pos;
      const std::wstring word = sql.substr(start, pos - start);
      tokens.push_back({TokenKind::Word, word, word});
    } else {
      ++pos;
      tokens.push_back({TokenKind::Symbol, std::wstring(1, c), std::wstring(1, c)});
    }
  }
  return tokens;
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  bool AtEnd() const { return pos_ >= tokens_.size(); }
  bool PeekWord(const wchar_t* word) const {
    return !AtEnd() && tokens_[pos_].kind == TokenKind::Word && Upper(tokens_[pos_].text) == word;
  }
  void ExpectWord(const wchar_t* word) {
    if (!PeekWord(word))
      Fail();
    ++pos_;
  }
  void ExpectSymbol(const wchar_t* symbol) {
    if (!TrySymbol(symbol))
      Fail();
  }
  std::wstring Name() {
    if (AtEnd() || tokens_[pos_].kind == TokenKind::Symbol ||
        tokens_[pos_].kind == TokenKind::String)
      Fail();
    return tokens_[pos_++].text;
  }
  std::wstring String() {
    if (AtEnd() || tokens_[pos_].kind != TokenKind::String)
      Fail();
    return tokens_[pos_++].text;
  }
  // The rest of the statement as one upper-case text, for a fixed object name.
  std::wstring RestUpper() {
    std::wstring rest;
    for (; !AtEnd(); ++pos_)
      rest += Upper(tokens_[pos_].text);
    return rest;
  }
  bool TrySymbol(const wchar_t* symbol) {
    if (AtEnd() || tokens_[pos_].kind != TokenKind::Symbol || tokens_[pos_].text != symbol)
      return false;
    ++pos_;
    return true;
  }
  void ExpectEnd() {
    if (!AtEnd())
      Fail();
  }
  [[noreturn]] void Fail() const {
    const std::wstring near =
        AtEnd() ? (tokens_.empty() ? L"" : tokens_.back().raw) : tokens_[pos_].raw;
    throw DatabaseError(L"Incorrect syntax near '" + near + L"'.");
  }

 private:
  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
};

bool IsLocal(const std::wstring& dataSource) {
  const std::wstring name = Upper(dataSource);
  return name == L"(LOCAL)" || name == L"." || name == L"LOCALHOST" || name == L"127.0.0.1";
}

std::wstring Property(const std::map<std::wstring, std::wstring>& properties,
                      const std::wstring& key) {
  auto it = properties.find(key);
  return it == properties.end() ? std::wstring() : it->second;
}

}  // namespace

std::optional<std::map<std::wstring, std::wstring>> ParseConnectionString(
    const std::wstring& text) {
  std::map<std::wstring, std::wstring> properties;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == L';' || text[pos] == L' ') {
      ++pos;
      continue;
    }
    // "==" inside a key stands for "=": the key ends at the first single "=".
    std::wstring key;
    std::size_t equals = pos;
    for (; equals < text.size(); ++equals) {
      if (text[equals] != L'=')
        key += text[equals];
      else if (equals + 1 < text.size() && text[equals + 1] == L'=')
        key += text[equals++];
      else
        break;
    }
    if (equals == text.size())
      return std::nullopt;
    key = Upper(Trim(key));
    pos = equals + 1;
    while (pos < text.size() && text[pos] == L' ')
      ++pos;
    std::wstring value;
    if (pos < text.size() && (text[pos] == L'"' || text[pos] == L'\'')) {
      const wchar_t quote = text[pos];
      bool closed = false;
      for (++pos; pos < text.size(); ++pos) {
        if (text[pos] != quote) {
          value += text[pos];
        } else if (pos + 1 < text.size() && text[pos + 1] == quote) {
          value += quote;
          ++pos;
        } else {
          ++pos;
          closed = true;
          break;
        }
      }
      while (pos < text.size() && text[pos] == L' ')
        ++pos;
      if (!closed || (pos < text.size() && text[pos] != L';'))
        return std::nullopt;
    } else {
      const auto end = text.find(L';', pos);
      value = Trim(text.substr(pos, end == std::wstring::npos ? std::wstring::npos : end - pos));
      pos = end == std::wstring::npos ? text.size() : end;
    }
    if (key.empty())
      return std::nullopt;
    properties[key] = value;
  }
  return properties;
}

void SimServer::Stop() {
  running_ = false;
  ++epoch_;
}

void SimServer::Start() {
  running_ = true;
}

void SimServer::Refuse(const std::wstring& database, const std::wstring& message) {
  refused_[Upper(database)] =
      message.empty()
          ? L"Backup and restore operations are not allowed on database " + database + L"."
          : message;
}

void SimServer::Allow(const std::wstring& database) {
  refused_.erase(Upper(database));
}

void SimServer::SetBackupDuration(const std::wstring& database, std::int64_t milliseconds) {
  durations_[Upper(database)] = milliseconds;
}

const std::wstring* SimServer::FindDatabase(const std::wstring& name) const {
  for (const std::wstring& database : databases) {
    if (Upper(database) == Upper(name))
      return &database;
  }
  return nullptr;
}

std::uint64_t SimServer::Connect(const std::wstring& connectionString) {
  try {
    return Login(connectionString);
  } catch (const DatabaseError& error) {
    errors.push_back(error.Message());
    throw;
  }
}

std::optional<RowSet> SimServer::Execute(std::uint64_t session,
                                         const std::wstring& connectionString,
                                         const std::wstring& sql, int commandTimeoutSeconds) {
  try {
    return Run(session, connectionString, sql, commandTimeoutSeconds);
  } catch (const DatabaseError& error) {
    errors.push_back(error.Message());
    throw;
  }
}

std::uint64_t SimServer::Login(const std::wstring& connectionString) {
  const auto properties = ParseConnectionString(connectionString);
  if (!properties) {
    throw DatabaseError(L"Format of the initialization string is not valid.");
  }
  const std::wstring provider = Upper(Property(*properties, L"PROVIDER"));
  if (provider != L"SQLOLEDB" && provider != L"SQLOLEDB.1")
    throw DatabaseError(L"Provider cannot be found. It may not be properly installed.");
  if (!running_ || !IsLocal(Property(*properties, L"DATA SOURCE")))
    throw DatabaseError(kServerNotFound);

  if (Upper(Property(*properties, L"INTEGRATED SECURITY")) == L"SSPI") {
    if (!acceptIntegratedSecurity)
      throw DatabaseError(L"Login failed for user '" + windowsUser + L"'.");
  } else {
    const std::wstring user = Property(*properties, L"USER ID");
    if (Upper(user) != L"SA" || Property(*properties, L"PASSWORD") != saPassword)
      throw DatabaseError(L"Login failed for user '" + user + L"'.");
  }
  const std::wstring catalog = Property(*properties, L"INITIAL CATALOG");
  if (!catalog.empty() && !FindDatabase(catalog))
    throw DatabaseError(L"Cannot open database requested in login '" + catalog +
                        L"'. Login fails.");
  connects.push_back(connectionString);
  return epoch_;
}

std::optional<RowSet> SimServer::Run(std::uint64_t session, const std::wstring& connectionString,
                                     const std::wstring& sql, int commandTimeoutSeconds) {
  if (!SessionAlive(session))
    throw DatabaseError(kNetworkError);
  statements.push_back({connectionString, sql, commandTimeoutSeconds});

  Parser parser(Tokenize(sql));
  if (parser.AtEnd())
    return std::nullopt;
  if (parser.PeekWord(L"SELECT")) {
    parser.ExpectWord(L"SELECT");
    parser.ExpectWord(L"NAME");
    parser.ExpectWord(L"FROM");
    const std::wstring table = parser.RestUpper();
    if (table != L"SYSDATABASES" && table != L"SYSDATABASES;" && table != L"MASTER..SYSDATABASES" &&
        table != L"MASTER.DBO.SYSDATABASES") {
      throw DatabaseError(L"Invalid object name '" + table + L"'.");
    }
    Spend(listMilliseconds, commandTimeoutSeconds);
    if (listFailure)
      throw DatabaseError(*listFailure);
    RowSet rows;
    rows.columns = {L"name"};
    for (const std::wstring& database : databases)
      rows.rows.push_back({database});
    return rows;
  }
  parser.ExpectWord(L"BACKUP");
  parser.ExpectWord(L"DATABASE");
  const std::wstring database = parser.Name();
  parser.ExpectWord(L"TO");
  parser.ExpectWord(L"DISK");
  parser.ExpectSymbol(L"=");
  const std::wstring disk = parser.String();
  if (parser.PeekWord(L"WITH")) {
    parser.ExpectWord(L"WITH");
    do {
      parser.Name();
    } while (parser.TrySymbol(L","));
  }
  parser.TrySymbol(L";");
  parser.ExpectEnd();
  RunBackup(database, disk, commandTimeoutSeconds);
  return std::nullopt;
}

void SimServer::Spend(std::int64_t milliseconds, int timeoutSeconds) {
  const std::int64_t limit = std::int64_t{timeoutSeconds} * 1000;
  if (timeoutSeconds > 0 && milliseconds > limit) {
    // The provider gives up and cancels the statement; the server stops where it was.
    clock_.Advance(limit);
    throw DatabaseError(L"Timeout expired");
  }
  clock_.Advance(milliseconds);
}

void SimServer::RunBackup(const std::wstring& name, const std::wstring& disk, int timeoutSeconds) {
  const std::wstring* database = FindDatabase(name);
  if (!database) {
    throw DatabaseError(L"Could not locate entry in sysdatabases for database '" + name +
                        L"'. No entry found with that name. Make sure that the name is entered "
                        L"correctly.\n" +
                        kTerminating);
  }
  if (auto refusal = refused_.find(Upper(name)); refusal != refused_.end())
    throw DatabaseError(refusal->second + L"\n" + kTerminating);

  // The device is opened (and, with init, emptied) before any data is read.
  const std::string header = "TAPE";
  if (auto code = files_.WriteAll(disk, header, FileOp::Create)) {
    throw DatabaseError(L"Cannot open backup device '" + disk + L"'. Operating system error " +
                        std::to_wstring(code) + L"(" + SystemErrorText(code) + L").\n" +
                        kTerminating);
  }

  auto duration = durations_.find(Upper(name));
  const std::int64_t milliseconds =
      duration == durations_.end() ? backupMilliseconds : duration->second;
  Spend(milliseconds, timeoutSeconds);

  std::string bytes = header + " " + std::to_string(backupsWritten + 1) + " ";
  for (wchar_t c : *database)
    bytes += c < 0x80 ? static_cast<char>(c) : '?';
  bytes += '\n';
  // Past what a test can hold in memory the file ends in zero bytes the file system counts.
  constexpr std::uint64_t kHeld = 1ull << 24;
  bytes.resize(std::max<std::size_t>(bytes.size(), std::min(backupBytes, kHeld)), '.');
  const std::uint64_t zeros = backupBytes > bytes.size() ? backupBytes - bytes.size() : 0;
  if (auto code = files_.WriteAll(disk, bytes, FileOp::Write, zeros)) {
    throw DatabaseError(L"Write on '" + disk + L"' failed: " + std::to_wstring(code) + L"(" +
                        SystemErrorText(code) + L")\n" + kTerminating);
  }
  ++backupsWritten;
  written.push_back({disk, bytes, zeros});
}

}  // namespace platform::sim
