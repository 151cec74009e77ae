#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "store/Database.h"
#include "store/Query.h"
#include "store/Table.h"
#include "support/TempDir.h"

namespace qp::store {
namespace {

// Tables opened by folder, each on its own connection, as the main window does before
// News is connected.
class FolderTables : public ::testing::Test {
 protected:
  void Open(TTable& table, const std::string& file, const std::string& filter = "") {
    table.DatabaseName = FDir.Path();
    table.TableName = file;
    table.Filter = filter;
    table.Filtered = !filter.empty();
    table.Open();
  }

  static void AddSite(TTable& sites, const std::string& name, bool active) {
    sites.Insert();
    sites.FieldByName("Name").SetAsString(name);
    sites.FieldByName("URL").SetAsString("http://" + name + ".example/");
    sites.FieldByName("Active").SetAsBoolean(active);
    sites.Post();
  }

  static std::vector<std::string> Names(TDataSet& data) {
    std::vector<std::string> names;
    if (data.First()) {
      do {
        names.push_back(data.FieldByName("Name").AsString());
      } while (data.Next());
    }
    return names;
  }

  test::TempDir FDir;
};

using Names_t = std::vector<std::string>;

TEST_F(FolderTables, FilteredViewSeesSiteActivatedThroughAnotherTable) {
  TTable dialog;
  Open(dialog, "Sites.DAT");
  AddSite(dialog, "on", true);
  AddSite(dialog, "off", false);

  TTable activeSites;
  Open(activeSites, "Sites.DAT", "Active = TRUE");
  EXPECT_EQ(Names(activeSites), Names_t{"on"});

  ASSERT_TRUE(dialog.Last());
  ASSERT_EQ(dialog.FieldByName("Name").AsString(), "off");
  dialog.Edit();
  dialog.FieldByName("Active").SetAsBoolean(true);
  dialog.Post();
  AddSite(dialog, "new", true);

  EXPECT_EQ(Names(activeSites), Names_t{"on"});  // rows are read at Open and Refresh
  activeSites.Refresh();
  EXPECT_EQ(Names(activeSites), (Names_t{"on", "off", "new"}));
  EXPECT_EQ(activeSites.FieldByName("URL").AsString(), "http://new.example/");
}

TEST_F(FolderTables, NewRowGetsAutoincrementIdAndLeavesUpdateEmpty) {
  TTable sites;
  Open(sites, "Sites.DAT");
  AddSite(sites, "a", true);
  EXPECT_EQ(sites.FieldByName("ID").AsInteger(), 1);
  EXPECT_TRUE(sites.FieldByName("Update").IsNull());
  AddSite(sites, "b", true);
  const int second = sites.FieldByName("ID").AsInteger();
  EXPECT_EQ(second, 2);
  sites.Delete();
  AddSite(sites, "c", true);
  EXPECT_EQ(sites.FieldByName("ID").AsInteger(), 3);  // a deleted ID is never handed out again

  TTable reread;
  Open(reread, "Sites.DAT");
  ASSERT_TRUE(reread.First());
  EXPECT_TRUE(reread.FieldByName("Update").IsNull());
  EXPECT_EQ(reread.FieldByName("Update").AsInteger(), 0);
  EXPECT_EQ(reread.RecordCount(), 2);
}

TEST_F(FolderTables, NavigationReportsBofAndEof) {
  TTable sites;
  Open(sites, "Sites.DAT");
  EXPECT_TRUE(sites.IsEmpty());
  EXPECT_TRUE(sites.Bof());
  EXPECT_TRUE(sites.Eof());
  EXPECT_FALSE(sites.First());
  EXPECT_FALSE(sites.Next());
  EXPECT_FALSE(sites.Last());
  EXPECT_EQ(sites.FieldByName("Name").AsString(), "");
  for (const char* name : {"a", "b", "c"}) AddSite(sites, name, true);

  ASSERT_TRUE(sites.First());
  EXPECT_TRUE(sites.Bof());
  EXPECT_FALSE(sites.Prior());
  EXPECT_TRUE(sites.Next());
  EXPECT_FALSE(sites.Bof());
  EXPECT_TRUE(sites.Next());
  EXPECT_FALSE(sites.Eof());
  EXPECT_FALSE(sites.Next());
  EXPECT_TRUE(sites.Eof());
  EXPECT_EQ(sites.FieldByName("Name").AsString(), "c");
  EXPECT_TRUE(sites.Prior());
  EXPECT_EQ(sites.FieldByName("Name").AsString(), "b");
  EXPECT_TRUE(sites.Last());
  EXPECT_TRUE(sites.Eof());
}

TEST_F(FolderTables, EditingRowsIsPostedCancelledOrDeleted) {
  TTable sites;
  Open(sites, "Sites.DAT");
  for (const char* name : {"a", "b", "c"}) AddSite(sites, name, true);

  ASSERT_TRUE(sites.First());
  sites.Edit();
  sites.FieldByName("Name").SetAsString("changed");
  EXPECT_TRUE(sites.Next());  // moving away posts the edit
  EXPECT_EQ(sites.State(), TDataSetState::dsBrowse);

  sites.Edit();
  sites.FieldByName("Name").SetAsString("dropped");
  sites.Cancel();
  EXPECT_EQ(sites.FieldByName("Name").AsString(), "b");

  sites.Insert();
  EXPECT_TRUE(sites.First());  // nothing was typed: the empty row is dropped, not written
  EXPECT_TRUE(sites.Last());
  sites.Delete();

  TTable reread;
  Open(reread, "Sites.DAT");
  EXPECT_EQ(Names(reread), (Names_t{"changed", "b"}));
}

TEST_F(FolderTables, PostOfRowDeletedElsewhereFailsAndKeepsEdit) {
  TTable first;
  Open(first, "Sites.DAT");
  AddSite(first, "gone", true);
  TTable second;
  Open(second, "Sites.DAT");
  second.Delete();

  first.Edit();
  first.FieldByName("Name").SetAsString("lost?");
  EXPECT_THROW(first.Post(), EDatabaseError);
  EXPECT_EQ(first.State(), TDataSetState::dsEdit);
  first.Cancel();
  first.Refresh();
  EXPECT_TRUE(first.IsEmpty());
}

TEST_F(FolderTables, StringsAreCutToFieldSize) {
  TTable sites;
  Open(sites, "Sites.DAT");
  struct Row {
    const char* name;
    std::string typed, stored;
  };
  const Row rows[] = {
      {"fits", "0123456789", "0123456789"},
      {"too long", "0123456789abc", "0123456789"},
      {"split UTF-8 character dropped", "012345678\xC3\xA9", "012345678"},
      {"whole UTF-8 character kept", "01234567\xC3\xA9xyz", "01234567\xC3\xA9"},
  };
  EXPECT_EQ(sites.FieldByName("Name").Size(), 10);
  EXPECT_EQ(sites.FieldByName("URL").Size(), 250);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    sites.Insert();
    sites.FieldByName("Name").SetAsString(r.typed);
    sites.Post();
    sites.Refresh();
    EXPECT_EQ(sites.FieldByName("Name").AsString(), r.stored);
  }
}

TEST_F(FolderTables, FieldConversions) {
  TTable servers;
  Open(servers, "Servers.DAT");
  EXPECT_THROW(servers.FieldByName("Port").SetAsInteger(1), EDatabaseError);  // not editing
  EXPECT_THROW(servers.FieldByName("Nope"), EDatabaseError);
  servers.Insert();
  TField& port = servers.FieldByName("port");  // names ignore letter case
  TField& authenticate = servers.FieldByName("Authenticate");
  EXPECT_THROW(port.SetAsString("12x"), EDatabaseError);
  EXPECT_THROW(authenticate.SetAsString("maybe"), EDatabaseError);
  port.SetAsString(" 563 ");
  EXPECT_EQ(port.AsInteger(), 563);
  authenticate.SetAsString("true");
  EXPECT_TRUE(authenticate.AsBoolean());
  EXPECT_EQ(authenticate.AsString(), "True");
  servers.Post();

  servers.Edit();
  port.SetAsString("");
  EXPECT_TRUE(port.IsNull());
  authenticate.Clear();
  servers.Post();
  servers.Refresh();
  EXPECT_TRUE(port.IsNull());
  EXPECT_FALSE(authenticate.AsBoolean());
}

TEST_F(FolderTables, NotificationsFollowMovesValuesAndStates) {
  TTable sites;
  Open(sites, "Sites.DAT");
  AddSite(sites, "a", true);
  AddSite(sites, "b", true);
  std::vector<std::string> events;
  sites.OnDataChange = [&events](TDataSet&) { events.push_back("data"); };
  sites.OnStateChange = [&events](TDataSet& sender) {
    events.push_back("state " + std::to_string(static_cast<int>(sender.State())));
  };
  sites.First();
  sites.Next();
  sites.Next();  // no further row: nothing changed
  sites.Edit();
  sites.FieldByName("Name").SetAsString("x");
  sites.Post();
  sites.Close();
  EXPECT_EQ(events, (std::vector<std::string>{"data", "data", "state 2", "data", "state 1", "data",
                                              "state 0"}));
}

TEST_F(FolderTables, MissingFilesByFolder) {
  TTable servers;
  Open(servers, "Servers.DAT");
  EXPECT_TRUE(std::filesystem::exists(FDir.File("Servers.DAT")));
  EXPECT_TRUE(servers.CanModify());
  EXPECT_EQ(servers.FieldCount(), 7);

  TTable other;
  EXPECT_THROW(Open(other, "Other.DAT"), EDatabaseError);
  EXPECT_FALSE(other.Active());
  EXPECT_FALSE(std::filesystem::exists(FDir.File("Other.DAT")));
}

TEST(QueryRows, AreReadOnly) {
  test::TempDir dir;
  TDatabase database("Test");
  database.SetDirectory(dir.Path());
  TQuery query(database);
  query.SetSQL("SELECT Name FROM Sites");
  query.Open();
  EXPECT_TRUE(database.Connected());
  EXPECT_FALSE(query.CanModify());
  EXPECT_THROW(query.Insert(), EDatabaseError);
  EXPECT_EQ(query.State(), TDataSetState::dsBrowse);
}

}  // namespace
}  // namespace qp::store
