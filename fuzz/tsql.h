#pragma once
// A small reader of T-SQL's BACKUP DATABASE statement, written from the language's rules for
// the fuzz targets: identifiers plain, in double quotes or in brackets (the closing mark
// doubled inside), string literals in apostrophes (doubled inside) with an optional N for
// Unicode, key words in any letter case, blanks and comments between tokens.
#include <optional>
#include <string>

namespace fuzz {

struct BackupStatement {
  std::wstring database;
  wchar_t databaseDelimiter = 0;  // '"', '[' or 0 for a plain identifier
  std::wstring disk;
  bool unicodeLiteral = false;  // N'...'
  std::wstring rest;            // the text after the literal, untouched
};

class TsqlReader {
 public:
  explicit TsqlReader(const std::wstring& sql) : sql_(sql) {}

  std::optional<BackupStatement> Backup() {
    BackupStatement s;
    if (!Word(L"BACKUP") || !Word(L"DATABASE") || !Identifier(s.database, s.databaseDelimiter) ||
        !Word(L"TO") || !Word(L"DISK") || !Symbol(L'=') || !Literal(s.disk, s.unicodeLiteral))
      return std::nullopt;
    s.rest = sql_.substr(pos_);
    return s;
  }

 private:
  static bool Blank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
  }
  static bool Plain(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'_' || c == L'@' || c == L'#' || c == L'$' || c > 0x7F;
  }
  static wchar_t Upper(wchar_t c) { return c >= L'a' && c <= L'z' ? c - 32 : c; }

  void SkipBlanks() {
    for (;;) {
      while (pos_ < sql_.size() && Blank(sql_[pos_]))
        ++pos_;
      if (sql_.compare(pos_, 2, L"--") == 0) {
        pos_ = std::min(sql_.size(), sql_.find(L'\n', pos_));
      } else if (sql_.compare(pos_, 2, L"/*") == 0) {
        const auto end = sql_.find(L"*/", pos_ + 2);
        pos_ = end == std::wstring::npos ? sql_.size() : end + 2;
      } else {
        return;
      }
    }
  }
  bool Word(const wchar_t* word) {
    SkipBlanks();
    std::size_t i = pos_;
    for (const wchar_t* w = word; *w; ++w, ++i) {
      if (i >= sql_.size() || Upper(sql_[i]) != *w)
        return false;
    }
    if (i < sql_.size() && Plain(sql_[i]))
      return false;
    pos_ = i;
    return true;
  }
  bool Symbol(wchar_t c) {
    SkipBlanks();
    if (pos_ >= sql_.size() || sql_[pos_] != c)
      return false;
    ++pos_;
    return true;
  }
  // Text up to the closing mark; a doubled closing mark stands for one.
  bool Delimited(wchar_t close, std::wstring& out) {
    for (++pos_; pos_ < sql_.size(); ++pos_) {
      if (sql_[pos_] != close) {
        out += sql_[pos_];
      } else if (pos_ + 1 < sql_.size() && sql_[pos_ + 1] == close) {
        out += close;
        ++pos_;
      } else {
        ++pos_;
        return true;
      }
    }
    return false;
  }
  bool Identifier(std::wstring& out, wchar_t& delimiter) {
    SkipBlanks();
    if (pos_ >= sql_.size())
      return false;
    delimiter = sql_[pos_] == L'"' || sql_[pos_] == L'[' ? sql_[pos_] : 0;
    if (delimiter)
      return Delimited(delimiter == L'[' ? L']' : L'"', out);
    while (pos_ < sql_.size() && Plain(sql_[pos_]))
      out += sql_[pos_++];
    return !out.empty();
  }
  bool Literal(std::wstring& out, bool& unicode) {
    SkipBlanks();
    unicode = pos_ + 1 < sql_.size() && Upper(sql_[pos_]) == L'N' && sql_[pos_ + 1] == L'\'';
    if (unicode)
      ++pos_;
    return pos_ < sql_.size() && sql_[pos_] == L'\'' && Delimited(L'\'', out);
  }

  const std::wstring& sql_;
  std::size_t pos_ = 0;
};

}  // namespace fuzz
