// The News database: a named set of table files in one folder, reached through one SQLite
// connection.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "store/Sqlite.h"

namespace qp::store {

class TDataSet;

// A named database whose folder is set before it is connected. Connecting opens one SQLite
// connection and attaches the files "Sites.DAT", "Servers.DAT" and "Subscriptions.DAT" of the
// folder, so SQL names the tables Sites, Servers and Subscriptions directly; a missing file is
// created with its empty table. The process-wide instance is News(); datasets that open
// through it register here so that Disconnect closes them first. Main thread only.
class TDatabase {
 public:
  explicit TDatabase(std::string databaseName);
  ~TDatabase();
  TDatabase(const TDatabase&) = delete;
  TDatabase& operator=(const TDatabase&) = delete;

  const std::string& DatabaseName() const { return FDatabaseName; }
  // Sets the folder of the table files; EDatabaseError while connected. A folder without a
  // trailing separator gets "/"; an empty folder means the current folder.
  void SetDirectory(const std::string& folder);
  const std::string& Directory() const { return FDirectory; }

  // Opens the connection; does nothing when connected. Throws EDatabaseError with the
  // engine's message when a file cannot be opened, created or read.
  void Connect();
  // Closes every dataset opened through this database, then the connection.
  void Disconnect();
  bool Connected() const { return FConnection != nullptr; }

  // The open connection; EDatabaseError when disconnected.
  TSqliteConnection& Connection();
  // True when the file holding tableName was opened read-only.
  bool TableReadOnly(const std::string& tableName) const;

  // Bookkeeping for the datasets that open through this database.
  void RegisterDataSet(TDataSet* dataSet);
  void UnregisterDataSet(TDataSet* dataSet);

 private:
  std::string FDatabaseName;
  std::string FDirectory;
  std::unique_ptr<TSqliteConnection> FConnection;
  std::vector<TDataSet*> FDataSets;
};

// The process-wide database named "News".
TDatabase& News();

// The statement that creates the empty table stored in fileName ("Sites.DAT"), or an empty
// text when the file is not one of the News database's files. schema qualifies the table
// name when not empty.
std::string CreateTableSql(const std::string& fileName, const std::string& schema = "");

// The table name held by a table file: fileName without its extension ("Sites.DAT" -> Sites).
std::string TableNameOfFile(const std::string& fileName);

// folder with a trailing "/" added when it has no trailing separator; empty stays empty.
std::string IncludeTrailingSeparator(const std::string& folder);

}  // namespace qp::store
