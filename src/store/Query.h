// An SQL statement run against a database, with the rows it returns.
#pragma once

#include <string>

#include "base/StringList.h"
#include "store/DataSet.h"

namespace qp::store {

class TDatabase;

// Runs the statement held in its SQL lines against a database (News by default, connected on
// demand). Open reads the rows of a statement that returns rows; ExecSQL runs statements that
// return none. The text goes to SQLite through SqliteDialect and is otherwise unchanged, so
// callers quote string values with QuotedStr. The rows are read-only. Owned by the handler
// or dialog that runs it; main thread only; the database must outlive it.
class TQuery : public TDataSet {
 public:
  explicit TQuery(TDatabase& database);
  TQuery();  // on News()
  ~TQuery() override;

  // Each of these closes the previous result first.
  void SQLClear();
  void SQLAdd(const std::string& line);
  void SetSQL(const std::string& text);
  // The statement lines, each followed by CR LF.
  std::string SQLText() const { return FSQL.Text(); }
  const TStringList& SQL() const { return FSQL; }

  // Runs every statement of the text, discarding rows; EDatabaseError on failure.
  void ExecSQL();

 protected:
  TResult InternalFetch() override;
  void InternalClose() override;

 private:
  std::string PreparedText() const;

  TDatabase& FDatabase;
  TStringList FSQL;
  bool FRegistered = false;
};

}  // namespace qp::store
