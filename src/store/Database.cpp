#include "store/Database.h"

#include <algorithm>
#include <filesystem>

#include "base/FileSystem.h"
#include "base/SysUtils.h"
#include "store/DataSet.h"
#include "store/SqlDialect.h"

namespace qp::store {

namespace {

// The News database's files, the schema name each is attached under, and the empty table a
// missing file is created with. Booleans are stored as 0/1, "no value" as NULL; the string
// sizes are enforced by the fields on write. ID is SQLite's rowid alias, and AUTOINCREMENT
// keeps IDs of deleted rows from being handed out again, as the ID is a key stored elsewhere.
struct TTableFile {
  const char* FileName;
  const char* Schema;
  const char* Columns;
};

constexpr TTableFile kTableFiles[] = {
    {"Sites.DAT", "SitesFile",
     "(ID INTEGER PRIMARY KEY AUTOINCREMENT, Name VARCHAR(10), URL VARCHAR(250), "
     "\"Update\" INTEGER, Active BOOLEAN)"},
    {"Servers.DAT", "ServersFile",
     "(ID INTEGER PRIMARY KEY AUTOINCREMENT, Name VARCHAR(50), Address VARCHAR(250), "
     "Port INTEGER, Login VARCHAR(50), Password VARCHAR(50), Authenticate BOOLEAN)"},
    {"Subscriptions.DAT", "SubscriptionsFile", "(Server INTEGER, \"Group\" VARCHAR(250))"},
};

const TTableFile* FindTableFile(const std::string& fileName) {
  for (const TTableFile& file : kTableFiles) {
    if (SameText(file.FileName, fileName)) return &file;
  }
  return nullptr;
}

}  // namespace

std::string TableNameOfFile(const std::string& fileName) {
  std::size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

std::string CreateTableSql(const std::string& fileName, const std::string& schema) {
  const TTableFile* file = FindTableFile(fileName);
  if (file == nullptr) return "";
  std::string name = QuotedIdentifier(TableNameOfFile(file->FileName));
  if (!schema.empty()) name = QuotedIdentifier(schema) + "." + name;
  return "CREATE TABLE " + name + " " + file->Columns;
}

std::string IncludeTrailingSeparator(const std::string& folder) {
  if (folder.empty() || folder.back() == '/' || folder.back() == '\\') return folder;
  return folder + "/";
}

TDatabase::TDatabase(std::string databaseName) : FDatabaseName(std::move(databaseName)) {}

TDatabase::~TDatabase() {
  Disconnect();
}

void TDatabase::SetDirectory(const std::string& folder) {
  if (Connected()) {
    throw EDatabaseError("Cannot change the directory of database " + FDatabaseName +
                         " while it is connected");
  }
  FDirectory = IncludeTrailingSeparator(folder);
}

void TDatabase::Connect() {
  if (Connected()) return;
  // The main database is a private in-memory one; the table files are attached to it, so
  // an unqualified table name reaches the file that holds it.
  auto connection = std::make_unique<TSqliteConnection>(":memory:", true);
  for (const TTableFile& file : kTableFiles) {
    const std::string path = FDirectory + file.FileName;
    std::error_code error;
    const bool existed = std::filesystem::exists(path, error);
    // The tables hold the servers' passwords: a new file is the user's alone. (SQLite would
    // create it under the umask, and gives its journal the file's mode.)
    if (!existed) CreatePrivateFile(path);
    TSqliteStatement attach =
        connection->Prepare("ATTACH DATABASE ?1 AS " + QuotedIdentifier(file.Schema));
    attach.Bind(1, path);
    attach.Step();
    if (!existed) {
      connection->Execute(CreateTableSql(file.FileName, file.Schema));
    } else {
      // Reading the schema now reports a file that is no database at connect time.
      connection->Execute("SELECT count(*) FROM " + QuotedIdentifier(file.Schema) +
                          ".sqlite_master");
    }
  }
  FConnection = std::move(connection);
}

void TDatabase::Disconnect() {
  // Closing a dataset unregisters it, so work on a copy.
  std::vector<TDataSet*> dataSets = FDataSets;
  for (TDataSet* dataSet : dataSets) dataSet->Close();
  FDataSets.clear();
  FConnection.reset();
}

TSqliteConnection& TDatabase::Connection() {
  if (!FConnection) throw EDatabaseError("Database " + FDatabaseName + " is not connected");
  return *FConnection;
}

bool TDatabase::TableReadOnly(const std::string& tableName) const {
  if (!FConnection) return true;
  for (const TTableFile& file : kTableFiles) {
    if (SameText(TableNameOfFile(file.FileName), tableName)) {
      return FConnection->ReadOnly(file.Schema);
    }
  }
  return false;
}

void TDatabase::RegisterDataSet(TDataSet* dataSet) {
  if (std::find(FDataSets.begin(), FDataSets.end(), dataSet) == FDataSets.end()) {
    FDataSets.push_back(dataSet);
  }
}

void TDatabase::UnregisterDataSet(TDataSet* dataSet) {
  FDataSets.erase(std::remove(FDataSets.begin(), FDataSets.end(), dataSet), FDataSets.end());
}

TDatabase& News() {
  static TDatabase news("News");
  return news;
}

}  // namespace qp::store
