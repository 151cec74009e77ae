#include "store/Query.h"

#include "base/SysUtils.h"
#include "store/Database.h"
#include "store/SqlDialect.h"

namespace qp::store {

TQuery::TQuery(TDatabase& database) : FDatabase(database) {}

TQuery::TQuery() : TQuery(News()) {}

TQuery::~TQuery() {
  OnDataChange = nullptr;
  OnStateChange = nullptr;
  Close();
}

void TQuery::SQLClear() {
  Close();
  FSQL.Clear();
}

void TQuery::SQLAdd(const std::string& line) {
  Close();
  FSQL.Add(line);
}

void TQuery::SetSQL(const std::string& text) {
  Close();
  FSQL.SetText(text);
}

std::string TQuery::PreparedText() const {
  std::string text = SqliteDialect(SQLText());
  if (Trim(text).empty()) throw EDatabaseError("No SQL statement available");
  return text;
}

TDataSet::TResult TQuery::InternalFetch() {
  const std::string text = PreparedText();
  FDatabase.Connect();
  if (!FRegistered) {
    FDatabase.RegisterDataSet(this);
    FRegistered = true;
  }
  TSqliteStatement statement = FDatabase.Connection().Prepare(text);
  // Checked before the first step, so a statement that changes rows is not run by Open.
  if (statement.Empty() || statement.ColumnCount() == 0) {
    throw EDatabaseError("The statement returns no result set");
  }
  return ReadResult(statement);
}

void TQuery::InternalClose() {
  if (FRegistered) FDatabase.UnregisterDataSet(this);
  FRegistered = false;
}

void TQuery::ExecSQL() {
  const std::string text = PreparedText();
  FDatabase.Connect();
  FDatabase.Connection().Execute(text);
}

}  // namespace qp::store
