#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "base/SysUtils.h"
#include "store/Database.h"
#include "store/Query.h"
#include "store/SqlDialect.h"
#include "store/Table.h"
#include "support/TempDir.h"

namespace qp::store {
namespace {

// Each test points News at a fresh folder and disconnects it again afterwards.
class NewsDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    News().Disconnect();
    News().SetDirectory(FDir.Path());
    News().Connect();
  }
  void TearDown() override {
    News().Disconnect();
    News().SetDirectory("");
  }

  int AddServer(const std::string& name, const std::string& address) {
    TTable servers;
    servers.DatabaseName = "News";
    servers.TableName = "Servers.DAT";
    servers.Open();
    servers.Insert();
    servers.FieldByName("Name").SetAsString(name);
    servers.FieldByName("Address").SetAsString(address);
    servers.FieldByName("Port").SetAsInteger(119);
    servers.FieldByName("Authenticate").SetAsBoolean(true);
    servers.FieldByName("Login").SetAsString("user");
    servers.FieldByName("Password").SetAsString("secret");
    servers.Post();
    return servers.FieldByName("ID").AsInteger();
  }

  // Statement 4: the subscribed groups of server in result order.
  std::vector<std::string> Groups(TQuery& query, int server) {
    query.SetSQL("SELECT Group FROM Subscriptions WHERE Server=" + IntToStr(server));
    query.Open();
    std::vector<std::string> groups;
    if (query.First()) {
      do {
        groups.push_back(query.FieldByName("Group").AsString());
      } while (query.Next());
    }
    return groups;
  }

  void Run(TQuery& query, const std::string& statement) {
    query.SQLClear();
    query.SQLAdd(statement);
    query.ExecSQL();
  }

  test::TempDir FDir;
};

std::vector<std::string> ColumnsOf(const std::string& file, const std::string& table) {
  TSqliteConnection connection(file, false);
  TSqliteStatement info =
      connection.Prepare("SELECT name || ' ' || type FROM pragma_table_info('" + table + "')");
  std::vector<std::string> columns;
  while (info.Step()) columns.push_back(std::get<std::string>(info.Column(0)));
  return columns;
}

TEST_F(NewsDatabase, ConnectCreatesMissingFilesWithEmptyTables) {
  using Columns = std::vector<std::string>;
  EXPECT_EQ(ColumnsOf(FDir.File("Sites.DAT"), "Sites"),
            (Columns{"ID INTEGER", "Name VARCHAR(10)", "URL VARCHAR(250)", "Update INTEGER",
                     "Active BOOLEAN"}));
  EXPECT_EQ(ColumnsOf(FDir.File("Servers.DAT"), "Servers"),
            (Columns{"ID INTEGER", "Name VARCHAR(50)", "Address VARCHAR(250)", "Port INTEGER",
                     "Login VARCHAR(50)", "Password VARCHAR(50)", "Authenticate BOOLEAN"}));
  EXPECT_EQ(ColumnsOf(FDir.File("Subscriptions.DAT"), "Subscriptions"),
            (Columns{"Server INTEGER", "Group VARCHAR(250)"}));
  TQuery query;
  query.SetSQL("SELECT * FROM Sites");
  query.Open();
  EXPECT_TRUE(query.IsEmpty());
  EXPECT_FALSE(query.First());
}

TEST_F(NewsDatabase, ExistingFileIsNeitherCreatedNorRestructured) {
  News().Disconnect();
  std::filesystem::remove(FDir.File("Sites.DAT"));
  {
    TSqliteConnection own(FDir.File("Sites.DAT"), true);
    own.Execute("CREATE TABLE Sites (ID INTEGER PRIMARY KEY, Name TEXT)");
  }
  News().Connect();
  EXPECT_EQ(ColumnsOf(FDir.File("Sites.DAT"), "Sites"),
            (std::vector<std::string>{"ID INTEGER", "Name TEXT"}));
}

TEST_F(NewsDatabase, ServerNamedWithQuoteIsFound) {
  AddServer("Plain", "plain.example");
  const int id = AddServer("O'Neil", "news.oneil.example");
  TQuery query;
  const std::string statement =
      "SELECT ID,Address,Port,Authenticate,Login,Password FROM Servers WHERE Name=" +
      QuotedStr("O'Neil");
  ASSERT_EQ(statement,
            "SELECT ID,Address,Port,Authenticate,Login,Password FROM Servers WHERE Name='O''Neil'");
  query.SetSQL(statement);
  query.Open();
  ASSERT_TRUE(query.First());
  EXPECT_EQ(query.FieldByName("ID").AsInteger(), id);
  EXPECT_EQ(query.FieldByName("Address").AsString(), "news.oneil.example");
  EXPECT_EQ(query.FieldByName("Port").AsInteger(), 119);
  EXPECT_TRUE(query.FieldByName("Authenticate").AsBoolean());
  EXPECT_EQ(query.FieldByName("Login").AsString(), "user");
  EXPECT_EQ(query.FieldByName("Password").AsString(), "secret");
  EXPECT_FALSE(query.Next());
  EXPECT_TRUE(query.Eof());
}

TEST_F(NewsDatabase, DuplicateServerNamesLookupReturnsFirstRow) {
  const int first = AddServer("Twin", "first.example");
  AddServer("Twin", "second.example");
  TQuery query;
  query.SetSQL("SELECT ID,Address,Port,Authenticate,Login,Password FROM Servers WHERE Name='Twin'");
  query.Open();
  EXPECT_EQ(query.RecordCount(), 2);
  ASSERT_TRUE(query.First());
  EXPECT_EQ(query.FieldByName("ID").AsInteger(), first);
  EXPECT_EQ(query.FieldByName("Address").AsString(), "first.example");
}

TEST_F(NewsDatabase, SubscribeAndUnsubscribeGroupWithQuote) {
  TQuery dialog;
  const std::string group = "alt.it's.here";
  const std::string subscribe = "INSERT INTO Subscriptions (Server,Group) VALUES (" + IntToStr(5) +
                                "," + QuotedStr(group) + ");";
  Run(dialog, subscribe);
  Run(dialog, subscribe);  // twice: no uniqueness rule, two rows
  Run(dialog, "INSERT INTO Subscriptions (Server,Group) VALUES (5,'alt.other');");
  Run(dialog, "INSERT INTO Subscriptions (Server,Group) VALUES (6," + QuotedStr(group) + ");");
  TQuery lookup;
  EXPECT_EQ(Groups(lookup, 5), (std::vector<std::string>{group, group, "alt.other"}));

  Run(dialog, "DELETE FROM Subscriptions WHERE Server=" + IntToStr(5) +
                  " AND Group=" + QuotedStr(group) + ";");
  EXPECT_EQ(Groups(lookup, 5), (std::vector<std::string>{"alt.other"}));
  EXPECT_EQ(Groups(lookup, 6), (std::vector<std::string>{group}));
}

TEST_F(NewsDatabase, GroupNamedGroupInLiteralStaysUnchanged) {
  TQuery dialog;
  Run(dialog, "INSERT INTO Subscriptions (Server,Group) VALUES (1,'Group');");
  Run(dialog, "INSERT INTO Subscriptions (Server,Group) VALUES (1,'a Group b');");
  TQuery lookup;
  EXPECT_EQ(Groups(lookup, 1), (std::vector<std::string>{"Group", "a Group b"}));
}

TEST_F(NewsDatabase, ReplacingStatementClosesPreviousResult) {
  const int id = AddServer("One", "one.example");
  TQuery dialog;
  Run(dialog, "INSERT INTO Subscriptions (Server,Group) VALUES (" + IntToStr(id) + ",'alt.a');");
  TQuery query;
  query.SetSQL("SELECT ID,Address,Port,Authenticate,Login,Password FROM Servers WHERE Name='One'");
  query.Open();
  ASSERT_TRUE(query.First());
  const int server = query.FieldByName("ID").AsInteger();
  query.SQLClear();
  EXPECT_FALSE(query.Active());
  query.SQLAdd("SELECT Group FROM Subscriptions WHERE Server=" + IntToStr(server));
  query.Open();
  ASSERT_TRUE(query.First());
  EXPECT_EQ(query.FieldByName("Group").AsString(), "alt.a");
  EXPECT_THROW(query.FieldByName("Address"), EDatabaseError);
}

TEST_F(NewsDatabase, EngineFailuresCarrySqliteMessage) {
  struct Row {
    const char* name;
    std::string statement;
    bool exec;
    std::string message;
  };
  const Row rows[] = {
      {"syntax error", "SELEC ID FROM Servers", false, "near \"SELEC\": syntax error"},
      {"missing table", "SELECT * FROM Nowhere", false, "no such table: Nowhere"},
      {"missing column", "DELETE FROM Servers WHERE Nope=1;", true, "no such column: Nope"},
      {"rows asked of a change", "DELETE FROM Servers;", false,
       "The statement returns no result set"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TQuery query;
    query.SetSQL(r.statement);
    try {
      r.exec ? query.ExecSQL() : query.Open();
      ADD_FAILURE() << "no exception";
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message(), r.message);
    }
    EXPECT_FALSE(query.Active());
  }
}

TEST_F(NewsDatabase, OpenDoesNotRunAStatementWithoutRows) {
  AddServer("Kept", "kept.example");
  TQuery query;
  query.SetSQL("DELETE FROM Servers;");
  EXPECT_THROW(query.Open(), EDatabaseError);
  query.SetSQL("SELECT Name FROM Servers");
  query.Open();
  EXPECT_EQ(query.RecordCount(), 1);
}

TEST_F(NewsDatabase, DisconnectClosesDatasetsAndDirectoryIsFixedWhileConnected) {
  TTable sites;
  sites.DatabaseName = "News";
  sites.TableName = "Sites.DAT";
  sites.Open();
  EXPECT_THROW(News().SetDirectory("/elsewhere"), EDatabaseError);
  News().Disconnect();
  EXPECT_FALSE(sites.Active());
  News().SetDirectory(FDir.Path());
  EXPECT_EQ(News().Directory(), FDir.Path() + "/");
}

TEST(NewsConnect, UnreachableFolderRaises) {
  TDatabase database("Other");
  database.SetDirectory("/nonexistent-qp-folder/sub");
  EXPECT_THROW(database.Connect(), EDatabaseError);
  EXPECT_FALSE(database.Connected());
}

TEST(NewsConnect, FileThatIsNoDatabaseRaisesAtConnect) {
  test::TempDir dir;
  FILE* file = std::fopen(dir.File("Servers.DAT").c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("this is not an SQLite file, just some text long enough to have a header.....", file);
  std::fclose(file);
  TDatabase database("Other");
  database.SetDirectory(dir.Path());
  try {
    database.Connect();
    ADD_FAILURE() << "no exception";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "file is not a database");
  }
}

}  // namespace
}  // namespace qp::store
