#include "platform/sim/database.h"

#include <cwctype>

#include "platform/error.h"

namespace platform::sim {

namespace {

constexpr wchar_t kClosed[] = L"Operation is not allowed when the object is closed.";
constexpr wchar_t kNoCurrentRecord[] =
    L"Either BOF or EOF is True, or the current record has been deleted. Requested operation "
    L"requires a current record.";
constexpr wchar_t kNoSuchField[] =
    L"Item cannot be found in the collection corresponding to the requested name or ordinal.";

bool SameName(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::towupper(a[i]) != std::towupper(b[i]))
      return false;
  }
  return true;
}

}  // namespace

void SimQuery::SetConnectionString(const std::wstring& text) {
  if (text == connectionString_)
    return;
  rows_.reset();
  session_.reset();
  connectionString_ = text;
}

std::uint64_t SimQuery::Session() {
  if (!session_)
    session_ = server_.Connect(connectionString_);
  return *session_;
}

void SimQuery::ExecSql() {
  server_.Execute(Session(), connectionString_, sql_, commandTimeout_);
}

void SimQuery::Open() {
  Close();
  rows_ = server_.Execute(Session(), connectionString_, sql_, commandTimeout_);
  row_ = 0;
}

const RowSet& SimQuery::Rows() const {
  if (!rows_)
    throw DatabaseError(kClosed);
  return *rows_;
}

bool SimQuery::Eof() {
  return row_ >= Rows().rows.size();
}

std::wstring SimQuery::FieldAsString(const std::wstring& name) {
  const RowSet& rows = Rows();
  std::size_t column = 0;
  while (column < rows.columns.size() && !SameName(rows.columns[column], name))
    ++column;
  if (column == rows.columns.size())
    throw DatabaseError(kNoSuchField);
  if (row_ >= rows.rows.size())
    throw DatabaseError(kNoCurrentRecord);
  return rows.rows[row_][column];
}

void SimQuery::Next() {
  if (row_ >= Rows().rows.size())
    throw DatabaseError(kNoCurrentRecord);
  ++row_;
}

std::unique_ptr<Query> SimDatabase::CreateQuery() {
  return std::make_unique<SimQuery>(server_);
}

}  // namespace platform::sim
