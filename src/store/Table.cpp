#include "store/Table.h"

#include <filesystem>

#include "base/FileSystem.h"
#include "base/SysUtils.h"
#include "store/Database.h"
#include "store/SqlDialect.h"

namespace qp::store {

TTable::~TTable() {
  OnDataChange = nullptr;
  OnStateChange = nullptr;
  Close();
}

TSqliteConnection& TTable::Connection() {
  if (FOwnConnection) return *FOwnConnection;
  if (FDatabase != nullptr) return FDatabase->Connection();
  throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

std::string TTable::SelectSql() const {
  std::string sql =
      std::string("SELECT rowid AS ") + kRowIdColumn + ", * FROM " + QuotedIdentifier(FSqlName);
  if (Filtered && !Trim(Filter).empty()) sql += " WHERE (" + SqliteDialect(Filter) + ")";
  return sql;
}

TDataSet::TResult TTable::InternalFetch() {
  if (FDatabase == nullptr && !FOwnConnection) {
    if (Trim(TableName).empty()) throw EDatabaseError("Missing TableName property");
    if (SameText(DatabaseName, News().DatabaseName())) {
      News().Connect();
      FDatabase = &News();
      FDatabase->RegisterDataSet(this);
    } else {
      const std::string path = IncludeTrailingSeparator(DatabaseName) + TableName;
      const std::string createSql = CreateTableSql(TableName);
      std::error_code error;
      const bool existed = std::filesystem::exists(path, error);
      // Only the News database's own files are created when missing; any other must exist.
      // They hold the servers' passwords, so a new one is the user's alone.
      if (!existed && !createSql.empty()) CreatePrivateFile(path);
      FOwnConnection = std::make_unique<TSqliteConnection>(path, !createSql.empty());
      if (!existed && !createSql.empty()) FOwnConnection->Execute(createSql);
    }
    FSqlName = TableNameOfFile(TableName);
  }
  TSqliteStatement statement = Connection().Prepare(SelectSql());
  return ReadResult(statement);
}

void TTable::InternalClose() {
  if (FDatabase != nullptr) FDatabase->UnregisterDataSet(this);
  FDatabase = nullptr;
  FOwnConnection.reset();
}

bool TTable::InternalCanModify() const {
  if (FOwnConnection) return !FOwnConnection->ReadOnly("main");
  return FDatabase != nullptr && FDatabase->Connected() && !FDatabase->TableReadOnly(FSqlName);
}

void TTable::InternalPost(TRow& row, bool inserting) {
  const auto& fields = FieldList();
  const std::string table = QuotedIdentifier(FSqlName);
  std::string sql;
  if (inserting) {
    // A NULL ID makes SQLite assign the next autoincrement value.
    std::string names;
    std::string values;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      names += (i > 0 ? "," : "") + QuotedIdentifier(fields[i]->FieldName());
      values += (i > 0 ? ",?" : "?") + IntToStr(static_cast<int64_t>(i + 1));
    }
    sql = "INSERT INTO " + table + " (" + names + ") VALUES (" + values + ")";
  } else {
    std::string assignments;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      assignments += (i > 0 ? "," : "") + QuotedIdentifier(fields[i]->FieldName()) + "=?" +
                     IntToStr(static_cast<int64_t>(i + 1));
    }
    sql = "UPDATE " + table + " SET " + assignments + " WHERE rowid=?" +
          IntToStr(static_cast<int64_t>(fields.size() + 1));
  }
  TSqliteConnection& connection = Connection();
  TSqliteStatement statement = connection.Prepare(sql);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    statement.Bind(static_cast<int>(i + 1), i < row.Values.size() ? row.Values[i] : TFieldValue{});
  }
  if (!inserting) statement.Bind(static_cast<int>(fields.size() + 1), row.RowId);
  statement.Step();
  if (!inserting) {
    // Reporting success for a row that another table object deleted would lose the edit.
    if (connection.Changes() == 0) {
      throw EDatabaseError("Record not found or changed by another user");
    }
    return;
  }
  // Read the new row back for the values the engine assigned (the ID).
  const int64_t rowId = connection.LastInsertRowId();
  TSqliteStatement reread = connection.Prepare(std::string("SELECT rowid AS ") + kRowIdColumn +
                                               ", * FROM " + table + " WHERE rowid=?1");
  reread.Bind(1, rowId);
  TResult result = ReadResult(reread);
  if (!result.Rows.empty() && result.Rows.front().Values.size() == row.Values.size()) {
    row = std::move(result.Rows.front());
  } else {
    row.RowId = rowId;
  }
}

void TTable::InternalDelete(const TRow& row) {
  TSqliteStatement statement =
      Connection().Prepare("DELETE FROM " + QuotedIdentifier(FSqlName) + " WHERE rowid=?1");
  statement.Bind(1, row.RowId);
  statement.Step();
}

}  // namespace qp::store
