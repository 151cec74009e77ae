// A table of the News database opened by its file name.
#pragma once

#include <memory>
#include <string>

#include "store/DataSet.h"

namespace qp::store {

class TDatabase;

// The rows of one table file ("Sites.DAT", "Servers.DAT"), editable row by row. DatabaseName
// is "News" (the table is reached through News(), connected on demand) or a folder path: then
// the table uses its own connection to that one file, so it can be opened before News is
// connected; a missing file of the News database is created there with its empty table.
// With Filtered set, only rows matching the SQL condition Filter are read. Filter, Filtered,
// DatabaseName and TableName take effect at the next Open or Refresh. Owned by the window or
// dialog that shows it; main thread only.
class TTable : public TDataSet {
 public:
  TTable() = default;
  ~TTable() override;

  std::string DatabaseName;  // "News" or a folder path
  std::string TableName;     // "Sites.DAT" or "Servers.DAT"
  std::string Filter;        // e.g. "Active = TRUE"
  bool Filtered = false;

 protected:
  TResult InternalFetch() override;
  void InternalClose() override;
  void InternalPost(TRow& row, bool inserting) override;
  void InternalDelete(const TRow& row) override;
  bool InternalCanModify() const override;

 private:
  TSqliteConnection& Connection();
  std::string SelectSql() const;

  TDatabase* FDatabase = nullptr;  // News while open through it, not owned
  std::unique_ptr<TSqliteConnection> FOwnConnection;
  std::string FSqlName;  // the table's name in SQL, fixed at Open
};

}  // namespace qp::store
