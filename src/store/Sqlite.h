// Thin RAII layer over the SQLite 3 C API: the one place that turns an engine result code
// into an exception. Everything else in the store speaks to SQLite through these classes.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "base/Exception.h"

namespace qp::store {

// A failure of the table engine. The message is the engine's own text (sqlite3_errmsg)
// or, for a misuse of a dataset, a short English description.
class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};

// One field value as the engine stores it: NULL ("no value"), an integer (booleans are
// 0/1), a real number, or a text.
using TFieldValue = std::variant<std::monostate, int64_t, double, std::string>;

// A prepared statement; finalized when it goes out of scope. Created by TSqliteConnection,
// used on the thread that owns the connection.
class TSqliteStatement {
 public:
  TSqliteStatement(sqlite3* db, sqlite3_stmt* stmt) : FDb(db), FStmt(stmt) {}

  // True when the compiled text held no statement (only blanks or comments).
  bool Empty() const { return !FStmt; }
  // Binds value to the 1-based parameter index.
  void Bind(int index, const TFieldValue& value);
  // Executes one step: true when a row is available, false when the statement is done.
  // Throws EDatabaseError on any other result.
  bool Step();
  int ColumnCount() const { return sqlite3_column_count(FStmt.get()); }
  std::string ColumnName(int column) const;
  // The declared type of a table column ("VARCHAR(50)"), empty for an expression.
  std::string ColumnDeclType(int column) const;
  TFieldValue Column(int column) const;

 private:
  struct TFinalizer {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
  };
  sqlite3* FDb;
  std::unique_ptr<sqlite3_stmt, TFinalizer> FStmt;
};

// One open SQLite connection. Owned by a TDatabase or by a table opened by folder; used only
// on the program's main thread.
class TSqliteConnection {
 public:
  // Opens fileName; with create set, a missing file is created, otherwise it must exist.
  TSqliteConnection(const std::string& fileName, bool create);

  // Compiles the first statement of sql; tail receives the offset just past it.
  TSqliteStatement Prepare(const std::string& sql, std::size_t* tail = nullptr);
  // Runs every statement of sql, discarding any rows.
  void Execute(const std::string& sql);
  int64_t LastInsertRowId() const { return sqlite3_last_insert_rowid(FDb.get()); }
  int Changes() const { return sqlite3_changes(FDb.get()); }
  // True when schema ("main" or an attached name) was opened read-only.
  bool ReadOnly(const char* schema) const { return sqlite3_db_readonly(FDb.get(), schema) == 1; }
  sqlite3* Handle() const { return FDb.get(); }

 private:
  struct TCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
  };
  std::unique_ptr<sqlite3, TCloser> FDb;
};

// Throws EDatabaseError with the engine's message of db unless rc is one of the success codes.
void CheckSqlite(sqlite3* db, int rc);

}  // namespace qp::store
