// Quoting helpers for the program's SQL text and the step that makes that text acceptable
// to SQLite.
#pragma once

#include <string>
#include <string_view>

namespace qp::store {

// value in single quotes with every single quote inside it doubled: O'Neil -> 'O''Neil'.
// Nothing else is escaped; this is how the program writes string values into statements.
std::string QuotedStr(std::string_view value);

// name in double quotes with every double quote inside it doubled: an SQL identifier that
// may be a keyword ("Update", "Group").
std::string QuotedIdentifier(std::string_view name);

// Rewrites the program's SQL so SQLite accepts it. The program's statements name the column
// `Group`, which is a keyword in SQLite; every bare word Group (any letter case) is quoted as
// an identifier, except in the clause GROUP BY. Text inside '...' literals, "..." / [...] /
// `...` identifiers and comments is copied unchanged, and nothing else is rewritten.
std::string SqliteDialect(std::string_view sql);

}  // namespace qp::store
