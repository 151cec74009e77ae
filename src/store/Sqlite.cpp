#include "store/Sqlite.h"

namespace qp::store {

namespace {

// How long a statement waits for another connection's lock on the same file (the folder
// view of "Sites.DAT" and the News connection share that file) before SQLITE_BUSY.
constexpr int kBusyTimeoutMs = 5000;

}  // namespace

void CheckSqlite(sqlite3* db, int rc) {
  if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) return;
  const char* text = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  throw EDatabaseError(text != nullptr ? text : "unknown SQLite error");
}

void TSqliteStatement::Bind(int index, const TFieldValue& value) {
  sqlite3_stmt* stmt = FStmt.get();
  int rc = SQLITE_OK;
  if (std::holds_alternative<std::monostate>(value)) {
    rc = sqlite3_bind_null(stmt, index);
  } else if (const auto* i = std::get_if<int64_t>(&value)) {
    rc = sqlite3_bind_int64(stmt, index, *i);
  } else if (const auto* d = std::get_if<double>(&value)) {
    rc = sqlite3_bind_double(stmt, index, *d);
  } else {
    const std::string& s = std::get<std::string>(value);
    rc = sqlite3_bind_text64(stmt, index, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  }
  CheckSqlite(FDb, rc);
}

bool TSqliteStatement::Step() {
  if (!FStmt) return false;
  int rc = sqlite3_step(FStmt.get());
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  CheckSqlite(FDb, rc);
  return false;
}

std::string TSqliteStatement::ColumnName(int column) const {
  const char* name = sqlite3_column_name(FStmt.get(), column);
  return name != nullptr ? name : "";
}

std::string TSqliteStatement::ColumnDeclType(int column) const {
  const char* type = sqlite3_column_decltype(FStmt.get(), column);
  return type != nullptr ? type : "";
}

TFieldValue TSqliteStatement::Column(int column) const {
  sqlite3_stmt* stmt = FStmt.get();
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL:
      return std::monostate{};
    case SQLITE_INTEGER:
      return static_cast<int64_t>(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
      return sqlite3_column_double(stmt, column);
    default: {
      // Text and blobs alike are handed out as their bytes, never re-encoded.
      const void* data = sqlite3_column_blob(stmt, column);
      int size = sqlite3_column_bytes(stmt, column);
      if (data == nullptr) return std::string();
      return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
    }
  }
}

TSqliteConnection::TSqliteConnection(const std::string& fileName, bool create) {
  sqlite3* db = nullptr;
  int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(fileName.c_str(), &db, flags, nullptr);
  FDb.reset(db);
  if (rc != SQLITE_OK) {
    if (db == nullptr) throw EDatabaseError(sqlite3_errstr(rc));
    throw EDatabaseError(std::string(sqlite3_errmsg(db)) + ": " + fileName);
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
}

TSqliteStatement TSqliteConnection::Prepare(const std::string& sql, std::size_t* tail) {
  sqlite3_stmt* stmt = nullptr;
  const char* rest = nullptr;
  int rc =
      sqlite3_prepare_v2(FDb.get(), sql.c_str(), static_cast<int>(sql.size() + 1), &stmt, &rest);
  TSqliteStatement statement(FDb.get(), stmt);
  CheckSqlite(FDb.get(), rc);
  if (tail != nullptr)
    *tail = rest != nullptr ? static_cast<std::size_t>(rest - sql.c_str()) : sql.size();
  return statement;
}

void TSqliteConnection::Execute(const std::string& sql) {
  std::string rest = sql;
  while (!rest.empty()) {
    std::size_t tail = 0;
    TSqliteStatement statement = Prepare(rest, &tail);
    // A blank or comment-only remainder compiles to no statement at all.
    if (statement.Empty() || tail == 0) break;
    while (statement.Step()) {
    }
    rest.erase(0, tail);
  }
}

}  // namespace qp::store
