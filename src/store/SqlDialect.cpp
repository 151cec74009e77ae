#include "store/SqlDialect.h"

#include "base/SysUtils.h"

namespace qp::store {

namespace {

bool IsWordByte(unsigned char c) {
  // Bytes of 0x80 and above belong to words: SQLite reads them as identifier characters.
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$' || c >= 0x80;
}

bool IsBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// Position just past a quoted section that opens at sql[start] and ends with closer; a
// doubled closer inside stays part of the section. An unterminated section runs to the end.
std::size_t SkipQuoted(std::string_view sql, std::size_t start, char closer) {
  std::size_t i = start + 1;
  while (i < sql.size()) {
    if (sql[i] == closer) {
      if (closer != ']' && i + 1 < sql.size() && sql[i + 1] == closer) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return sql.size();
}

// True when the next word after position from is BY (the GROUP BY clause).
bool FollowedByBy(std::string_view sql, std::size_t from) {
  std::size_t i = from;
  while (i < sql.size() && IsBlank(static_cast<unsigned char>(sql[i]))) ++i;
  if (i == from || i + 2 > sql.size()) return false;
  if (!SameText(sql.substr(i, 2), "BY")) return false;
  return i + 2 == sql.size() || !IsWordByte(static_cast<unsigned char>(sql[i + 2]));
}

}  // namespace

std::string QuotedStr(std::string_view value) {
  return "'" + StringReplaceAll(value, "'", "''") + "'";
}

std::string QuotedIdentifier(std::string_view name) {
  return "\"" + StringReplaceAll(name, "\"", "\"\"") + "\"";
}

std::string SqliteDialect(std::string_view sql) {
  std::string out;
  out.reserve(sql.size() + 8);
  std::size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    std::size_t end = i + 1;
    if (c == '\'' || c == '"' || c == '`') {
      end = SkipQuoted(sql, i, c);
    } else if (c == '[') {
      end = SkipQuoted(sql, i, ']');
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      end = sql.find('\n', i);
      end = end == std::string_view::npos ? sql.size() : end;
    } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
      end = sql.find("*/", i + 2);
      end = end == std::string_view::npos ? sql.size() : end + 2;
    } else if (IsWordByte(static_cast<unsigned char>(c))) {
      while (end < sql.size() && IsWordByte(static_cast<unsigned char>(sql[end]))) ++end;
      std::string_view word = sql.substr(i, end - i);
      if (SameText(word, "Group") && !FollowedByBy(sql, end)) {
        out += QuotedIdentifier(word);
        i = end;
        continue;
      }
    }
    out.append(sql.substr(i, end - i));
    i = end;
  }
  return out;
}

}  // namespace qp::store
