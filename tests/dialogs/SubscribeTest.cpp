#include <gtest/gtest.h>

#include "dialogs/Subscribe.h"
#include "store/Database.h"
#include "store/Query.h"
#include "support/FakeWindowSystem.h"
#include "support/NewsDatabase.h"
#include "support/TempDir.h"

namespace qp::dialogs {
namespace {

using test::FakeListItem;
using test::FakeListView;
using test::FakeSubsView;

class SubscribeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog = std::make_unique<TdlgSubs>(view);
    dialog->ServerID = 5;
  }
  void TearDown() override { dialog.reset(); }

  void AddGroup(const std::string& name, const std::string& count) {
    ui::IListItem& row = view.Groups.Add();
    row.SetCaption(name);
    row.AddSubItem(count);
  }

  // The groups subscribed for server 5, in table order.
  std::vector<std::string> Stored() {
    store::TQuery query;
    query.SetSQL("SELECT Group FROM Subscriptions WHERE Server=5");
    query.Open();
    std::vector<std::string> groups;
    for (bool row = query.First(); row; row = query.Next())
      groups.push_back(query.FieldByName("Group").AsString());
    return groups;
  }

  test::TempDir folder;
  test::ScopedNewsDatabase database{folder.Path()};
  FakeSubsView view;
  std::unique_ptr<TdlgSubs> dialog;
};

TEST_F(SubscribeTest, ButtonsDoNothingWithoutASelection) {
  AddGroup("alt.test", "3");
  view.Subs.Add().SetCaption("alt.test");
  dialog->btnAddClick();
  dialog->btnDelClick();
  EXPECT_EQ(view.Subs.Count(), 1);
  EXPECT_TRUE(Stored().empty());
}

TEST_F(SubscribeTest, SubscribingTwiceChangesNothingAndOneUnsubscribeRemovesTheGroup) {
  AddGroup("alt.test", "None");
  AddGroup("O'Neil.news", "9");
  view.Groups.Select(0);
  dialog->btnAddClick();
  dialog->btnAddClick();
  view.Groups.Select(1);
  dialog->btnAddClick();
  EXPECT_EQ(Stored(), (std::vector<std::string>{"alt.test", "O'Neil.news"}));
  EXPECT_EQ(view.Subs.Captions(), (std::vector<std::string>{"alt.test", "O'Neil.news"}));
  EXPECT_EQ(view.Subs.Item(0).SubItems(), (std::vector<std::string>{"None"}));
  EXPECT_EQ(dialog->StoredGroups(), Stored());

  view.Subs.Select(0);
  dialog->btnDelClick();
  EXPECT_EQ(Stored(), (std::vector<std::string>{"O'Neil.news"}));
  EXPECT_EQ(view.Subs.Captions(), (std::vector<std::string>{"O'Neil.news"}));

  view.Subs.Select(0);
  dialog->btnDelClick();
  EXPECT_TRUE(Stored().empty()) << "a quote in the name is found again by the delete";
  EXPECT_TRUE(view.Subs.Captions().empty());
}

// A database of an earlier version may hold a subscription twice: the dialog lists it once,
// adds no third row, and one unsubscribe removes it from the table and the list.
TEST_F(SubscribeTest, ATwiceStoredGroupIsOneGroup) {
  for (int i = 0; i < 2; ++i) {
    store::TQuery insert;
    insert.SetSQL("INSERT INTO Subscriptions (Server,Group) VALUES (5,'alt.twice');");
    insert.ExecSQL();
  }
  EXPECT_EQ(dialog->StoredGroups(), (std::vector<std::string>{"alt.twice"}));
  AddGroup("alt.twice", "4");
  view.Groups.Select(0);
  dialog->btnAddClick();
  EXPECT_EQ(Stored().size(), 2u);
  EXPECT_EQ(view.Subs.Captions(), (std::vector<std::string>{"alt.twice"}))
      << "a stored group missing from the list gains its row";
  view.Subs.Add().SetCaption("alt.twice");
  view.Subs.Select(1);
  dialog->btnDelClick();
  EXPECT_TRUE(Stored().empty());
  EXPECT_TRUE(view.Subs.Captions().empty());
}

TEST_F(SubscribeTest, SeveralSelectedRowsAreEachUnsubscribed) {
  for (const char* name : {"a", "b", "c", "d"}) {
    AddGroup(name, "1");
    view.Groups.Select(view.Groups.Count() - 1);
    dialog->btnAddClick();
  }
  for (int i : {0, 2, 3}) static_cast<FakeListItem&>(view.Subs.Item(i)).SetSelected(true);
  dialog->btnDelClick();
  EXPECT_EQ(view.Subs.Captions(), (std::vector<std::string>{"b"}));
  EXPECT_EQ(Stored(), (std::vector<std::string>{"b"}));
}

TEST_F(SubscribeTest, OnlyTheDialogsServerIsTouched) {
  AddGroup("alt.test", "1");
  view.Groups.Select(0);
  dialog->btnAddClick();
  dialog->ServerID = 6;
  dialog->btnAddClick();
  view.Subs.Select(0);
  dialog->btnDelClick();  // unsubscribes alt.test for server 6
  EXPECT_EQ(Stored(), (std::vector<std::string>{"alt.test"}));
}

}  // namespace
}  // namespace qp::dialogs
