#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "app/Main.h"
#include "dialogs/Subscribe.h"
#include "net/AntiFreeze.h"
#include "nntp/NNTP.h"
#include "store/Database.h"
#include "store/Table.h"
#include "support/Encoders.h"
#include "support/FakeWindowSystem.h"
#include "support/LoopbackServer.h"
#include "support/NewsDatabase.h"
#include "support/NewsServer.h"
#include "support/TempDir.h"

namespace qp::app {
namespace {

namespace fs = std::filesystem;
using test::AddServerRow;
using test::FakeListView;
using test::FakeMainView;
using test::FakeSubsView;
using test::FakeWindowSystem;
using test::LoopbackServer;
using test::NewsServer;
using test::PeerSession;

// The main window over fakes with the News database in a temporary folder and the
// scratch folder beside it.
class UsenetTest : public ::testing::Test {
 protected:
  UsenetTest() : Form(WindowSystem, View) {
    setenv("TZ", "UTC", 1);
    tzset();
    fs::create_directories(Dir.File("temp"));
    Subs = std::make_unique<dialogs::TdlgSubs>(SubsView);
    Form.DataFolder = Dir.File("data/");
    Form.TempFolder = Dir.File("temp/");
    Form.dlgSubs = Subs.get();
    Form.FormCreate();
  }
  ~UsenetTest() override {
    Form.FormClose();
    Form.FormDestroy();
    Subs.reset();
  }

  void Subscribe(int server, const std::string& group) {
    dialogs::TdlgSubs dialog(SubsView);
    dialog.ServerID = server;
    ui::IListItem& row = SubsView.Groups.Add();
    row.SetCaption(group);
    SubsView.Groups.Select(SubsView.Groups.Count() - 1);
    dialog.btnAddClick();
    SubsView.Groups.Clear();
    SubsView.Subs.Clear();
  }

  // Rebuilds the server menu from the table and clicks the item with the caption.
  ui::IMenuItem& ClickServer(const std::string& caption) {
    Form.BuildServerMenu();
    for (int i = 0; i < View.Servers.Count(); ++i) {
      if (View.Servers.Items(i).Caption() == caption && i >= 4) {
        View.Servers.Items(i).Click();
        return View.Servers.Items(i);
      }
    }
    ADD_FAILURE() << "no menu item " << caption;
    return View.Servers.Items(0);
  }

  std::vector<std::string> Log() const { return View.Log.Lines().Lines(); }
  std::vector<std::string> Memo() const { return View.Msg.Lines().Lines(); }
  std::string Scratch() const { return Form.GetScratchFolder(); }

  test::TempDir Dir;
  test::ScopedNewsDatabase Database{Dir.File("data/")};
  FakeWindowSystem WindowSystem;
  FakeMainView View;
  FakeSubsView SubsView;
  std::unique_ptr<dialogs::TdlgSubs> Subs;
  TfrmMain Form;
};

TEST_F(UsenetTest, ServerClickListsTheSubscribedGroupsAndChecksTheItem) {
  LoopbackServer server(NewsServer(
      {{"Group alt.a", "211 3 100 102 alt.a\r\n"}, {"Group alt.b", "211 0 0 0 alt.b\r\n"}}));
  const int id = AddServerRow("Local", server.Port());
  Subscribe(id, "alt.a");
  Subscribe(id, "alt.b");
  ui::IMenuItem& item = ClickServer("Local");
  EXPECT_TRUE(item.Checked());
  EXPECT_EQ(View.Groups.Captions(), (std::vector<std::string>{"alt.a", "alt.b"}));
  EXPECT_EQ(View.Groups.Item(0).SubItems(), (std::vector<std::string>{"3"}));
  EXPECT_EQ(SubsView.Subs.Captions(), (std::vector<std::string>{"alt.a", "alt.b"}));
  EXPECT_EQ(Subs->ServerID, id);
  EXPECT_EQ(SubsView.ShowCount, 0);
  EXPECT_EQ(View.Caption, "Quillpost - Local");
  Form.FormClose();
  server.Join();
  EXPECT_EQ(server.Received(), "mode reader\r\nGroup alt.a\r\nGroup alt.b\r\nQuit\r\n");
}

TEST_F(UsenetTest, UnknownServerCaptionIsLogged) {
  AddServerRow("Known", 1);
  Form.BuildServerMenu();
  auto item = View.Servers.CreateItem(
      "Gone", [this](ui::IMenuItem& sender) { Form.ServerMenuClick(sender); });
  ui::IMenuItem& added = View.Servers.Append(std::move(item));
  added.Click();
  EXPECT_EQ(Log(), (std::vector<std::string>{"Invalid Server - Gone"}));
  EXPECT_FALSE(added.Checked());
}

TEST_F(UsenetTest, FailedConnectIsLoggedAndStops) {
  const int id = AddServerRow("Refusing", test::UnusedLoopbackPort());
  Subscribe(id, "alt.a");
  ui::IMenuItem& item = ClickServer("Refusing");
  EXPECT_EQ(Log(), (std::vector<std::string>{"Error in FTP process - Connection refused"}));
  EXPECT_FALSE(item.Checked());
  EXPECT_EQ(SubsView.ShowCount, 0);
  EXPECT_EQ(View.Status.SimpleText(), "Ready");
  EXPECT_EQ(View.Caption, "Quillpost");
  EXPECT_TRUE(WindowSystem.MessageBoxes.empty()) << "no group selection on a closed connection";
}

TEST_F(UsenetTest, GreetingsThatGiveTheServerUp) {
  struct Row {
    const char* name;
    std::string greeting;
    std::vector<std::string> log;
  };
  const Row rows[] = {
      {"service not available", "400 busy\r\n", {}},
      {"unknown greeting treated like 400", "299 odd\r\n", {}},
      {"refused",
       "502 go away\r\n",
       {"Error in FTP process - Connection explicitly refused by NNTP server."}},
  };
  int n = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    View.Log.Clear();
    LoopbackServer server(NewsServer({}, r.greeting));
    const std::string name = "S" + std::to_string(++n);
    Subscribe(AddServerRow(name, server.Port()), "alt.a");
    ui::IMenuItem& item = ClickServer(name);
    EXPECT_FALSE(item.Checked());
    EXPECT_EQ(Log(), r.log);
    EXPECT_EQ(View.Groups.Count(), 0);
    Form.FormClose();
    server.Join();
    EXPECT_EQ(server.Received().find("Group"), std::string::npos);
  }
}

TEST_F(UsenetTest, ServerWithoutSubscriptionsOpensTheDialog) {
  LoopbackServer server(
      NewsServer(
          {{"List", "215 list\r\nalt.eq 5 5 y\r\nalt.low 3 7 y\r\nalt.ten 10 1 y\r\n.\r\n"}}),
      2);
  AddServerRow("Empty", server.Port());
  // Cancel: lvGroups stays empty while the item is checked.
  ui::IMenuItem& item = ClickServer("Empty");
  EXPECT_EQ(SubsView.ShowCount, 1);
  EXPECT_TRUE(item.Checked());
  EXPECT_EQ(View.Groups.Count(), 0);
  EXPECT_EQ(SubsView.Groups.Captions(), (std::vector<std::string>{"alt.eq", "alt.low", "alt.ten"}));
  std::vector<std::string> counts;
  for (int i = 0; i < SubsView.Groups.Count(); ++i)
    counts.push_back(SubsView.Groups.Item(i).SubItems().at(0));
  EXPECT_EQ(counts, (std::vector<std::string>{"1", "None", "10"}));
  EXPECT_EQ(View.Status.SimpleText(), "Ready");

  // "Subscribe/Unsubscribe ..." while connected: OK shows exactly the dialog's rows.
  SubsView.OnShow = [this] {
    SubsView.Groups.Select(2);
    Subs->btnAddClick();
    return ui::idOK;
  };
  Form.actSubsExecute();
  EXPECT_EQ(View.Groups.Captions(), (std::vector<std::string>{"alt.ten"}));
  EXPECT_EQ(View.Groups.Item(0).SubItems(), (std::vector<std::string>{"10"}));
}

TEST_F(UsenetTest, FailingGroupListIsLoggedAndTheDialogStillOpens) {
  LoopbackServer server(NewsServer({{"List", "503 no list\r\n"}}));
  AddServerRow("NoList", server.Port());
  ClickServer("NoList");
  EXPECT_EQ(Log(), (std::vector<std::string>{"Error in FTP process - 503 no list"}));
  EXPECT_EQ(View.Status.SimpleText(), "Ready");
  EXPECT_EQ(SubsView.ShowCount, 1);
}

TEST_F(UsenetTest, GroupDoubleClickLoadsTheHeaders) {
  const std::string overview =
      "224 overview\r\n"
      "100\tFirst\tjoe@x\tSun, 05 Jan 2003 23:30:00 -0100\t<a@x>\t\t1234\t20\r\n"
      "101\tSecond\tann@y\t\t<b@x>\t<a@x>\t77\t1\r\n.\r\n";
  LoopbackServer server(
      NewsServer({{"Group alt.a", "211 2 100 101 alt.a\r\n"},
                  {"Group alt.b", "211 1 7 7 alt.b\r\n"},
                  {"xover 100-101", overview},
                  {"xover 7-7", "224 overview\r\n7\tOnly\tme\t\t\t\t1\t1\r\n.\r\n"}}));
  const int id = AddServerRow("Local", server.Port());
  Subscribe(id, "alt.a");
  Subscribe(id, "alt.b");
  ClickServer("Local");
  for (int pass = 0; pass < 2; ++pass) {
    View.Groups.Select(0);
    Form.lvGroupsDblClick();
  }
  ASSERT_EQ(View.Msgs.Captions(), (std::vector<std::string>{"First", "Second"}));
  EXPECT_EQ(View.Caption, "Quillpost - Local - alt.a");
  EXPECT_EQ(View.Msgs.Item(0).Data(), 100u);
  EXPECT_EQ(View.Msgs.Item(0).SubItems(),
            (std::vector<std::string>{"joe@x", ShortDateText(EncodeDate(2003, 1, 6)), "1234"}));
  EXPECT_EQ(View.Status.SimpleText(), "Done");

  View.Groups.Select(1);
  Form.lvGroupsDblClick();
  EXPECT_EQ(View.Msgs.Captions(), (std::vector<std::string>{"Only"}));
  EXPECT_EQ(View.Msgs.Item(0).Data(), 7u);
  EXPECT_EQ(View.Caption, "Quillpost - Local - alt.b");
  Form.actDisconnectExecute();
  EXPECT_EQ(View.Caption, "Quillpost");
}

TEST_F(UsenetTest, EveryFillRunsInsideOneUpdateBracket) {
  LoopbackServer server(NewsServer(
      {{"Group alt.a", "211 2 100 101 alt.a\r\n"},
       {"Group alt.b", "211 1 7 7 alt.b\r\n"},
       {"xover 100-101",
        "224 overview\r\n100\tFirst\tjoe\t\t\t\t1\t1\r\n101\tNext\tann\t\t\t\t2\t1\r\n.\r\n"},
       {"List", "215 list\r\nalt.a 101 100 y\r\nalt.b 7 7 y\r\n.\r\n"}}));
  const int id = AddServerRow("Local", server.Port());
  Subscribe(id, "alt.a");
  Subscribe(id, "alt.b");
  SubsView.Groups.AddsOutsideUpdate = SubsView.Subs.AddsOutsideUpdate = 0;  // the setup's rows
  ClickServer("Local");
  View.Groups.Select(0);
  Form.lvGroupsDblClick();
  SubsView.OnShow = [] { return ui::idOK; };
  Form.actSubsExecute();
  for (const FakeListView* list : {&View.Groups, &View.Msgs, &SubsView.Groups, &SubsView.Subs}) {
    EXPECT_EQ(list->AddsOutsideUpdate, 0);
    EXPECT_EQ(list->UpdateDepth, 0);
  }
  EXPECT_EQ(View.Groups.Count(), 2);
  EXPECT_EQ(View.Msgs.Count(), 2);
  EXPECT_EQ(SubsView.Groups.Count(), 2);
}

TEST_F(UsenetTest, ArticleNumbersBeyond32BitsReachTheServerUnwrapped) {
  LoopbackServer server(NewsServer(
      {{"Group big", "211 4294967297 4294967297 18446744073709551615 big\r\n"},
       {"xover 4294967297-18446744073709551615",
        "224 overview\r\n4294967297\tLow\r\n18446744073709551615\tHigh\r\n"
        "18446744073709551616\tBeyond\r\n.\r\n"},
       {"Article 18446744073709551615", "220 18446744073709551615 <h@x>\r\n\r\nhigh\r\n.\r\n"}}));
  Subscribe(AddServerRow("Local", server.Port()), "big");
  ClickServer("Local");
  EXPECT_EQ(View.Groups.Item(0).SubItems(), (std::vector<std::string>{"18446744069414584319"}))
      << "18446744073709551615 - 4294967297 + 1";
  View.Groups.Select(0);
  Form.lvGroupsDblClick();
  ASSERT_EQ(View.Msgs.Captions(), (std::vector<std::string>{"Low", "High", "Beyond"}));
  EXPECT_EQ(View.Msgs.Item(0).Data(), 4294967297u);
  EXPECT_EQ(View.Msgs.Item(1).Data(), 18446744073709551615u);
  EXPECT_EQ(View.Msgs.Item(2).Data(), 0u) << "no wrapped number";
  View.Msgs.Select(1);
  Form.lvMsgsDblClick();
  EXPECT_EQ(Memo().back(), "high");
  // The row without a usable number fetches nothing (a bare "Article" would fetch another one).
  View.Msgs.Select(2);
  Form.lvMsgsDblClick();
  EXPECT_EQ(Log(), (std::vector<std::string>{"No article number for \"Beyond\""}));
  Form.FormClose();
  server.Join();
  EXPECT_EQ(server.Received(),
            "mode reader\r\nGroup big\r\nGroup big\r\nxover 4294967297-18446744073709551615\r\n"
            "Article 18446744073709551615\r\nQuit\r\n");
}

TEST_F(UsenetTest, ChoosingTheConnectedServerAgainReconnects) {
  LoopbackServer server(NewsServer({{"Group alt.a", "211 1 1 1 alt.a\r\n"}}), 2);
  Subscribe(AddServerRow("Local", server.Port()), "alt.a");
  ClickServer("Local");
  View.Msg.Add("old article");
  ui::IMenuItem& again = ClickServer("Local");
  EXPECT_TRUE(again.Checked());
  EXPECT_EQ(View.Groups.Captions(), (std::vector<std::string>{"alt.a"}));
  EXPECT_TRUE(Memo().empty()) << "the disconnect handling emptied the views";
  Form.FormClose();
  server.Join();
  EXPECT_EQ(server.Accepted(), 2);
  EXPECT_EQ(server.Received(),
            "mode reader\r\nGroup alt.a\r\nQuit\r\nmode reader\r\nGroup alt.a\r\nQuit\r\n");
}

// A server that demands a login for "Group" and accepts only joe / secret.
void LoginServer(PeerSession& s) {
  s.Send("200 hi\r\n");
  bool loggedIn = false;
  std::string user;
  for (int i = 0; i < 20; ++i) {
    const std::string line = s.ReadLine();
    if (line.empty() || line == "Quit") return;
    if (line == "mode reader") {
      s.Send("200 reader\r\n");
    } else if (line.rfind("AuthInfo User ", 0) == 0) {
      user = line.substr(14);
      s.Send("381 more\r\n");
    } else if (line.rfind("AuthInfo Pass ", 0) == 0) {
      loggedIn = user == "joe" && line.substr(14) == "secret";
      s.Send(loggedIn ? "281 welcome\r\n" : "481 no\r\n");
    } else {
      s.Send(loggedIn ? "211 1 1 1 alt.a\r\n" : "480 login please\r\n");
    }
  }
}

// A server row whose Authenticate is true logs in right after "mode reader"; one whose
// Authenticate is false never sees another server's credentials, and a login demand there
// says what to do instead of sending an empty "AuthInfo User ".
TEST_F(UsenetTest, CredentialsGoOnlyToServersThatAuthenticate) {
  LoopbackServer first(LoginServer);
  LoopbackServer second(LoginServer);
  Subscribe(AddServerRow("Login", first.Port(), true, "joe", "secret"), "alt.a");
  Subscribe(AddServerRow("Open", second.Port()), "alt.a");
  EXPECT_TRUE(ClickServer("Login").Checked());
  try {
    ClickServer("Open");
    FAIL() << "no exception";
  } catch (const nntp::ENNTPLoginRequired& e) {
    EXPECT_EQ(e.Message(),
              "The server requires a login: set a user name and password for it in Site "
              "Management.");
  }
  Form.FormClose();
  first.Join();
  second.Join();
  EXPECT_EQ(first.Received(),
            "mode reader\r\nAuthInfo User joe\r\nAuthInfo Pass secret\r\nGroup alt.a\r\n"
            "Quit\r\n");
  EXPECT_EQ(second.Received(), "mode reader\r\nGroup alt.a\r\nQuit\r\n");
}

// A server that lists a group to logged-in readers only: the row's login makes it appear in
// the subscription dialog.
TEST_F(UsenetTest, LoginFirstServerListsTheGroupThatOnlyLoggedInReadersSee) {
  const auto server = [](PeerSession& s) {
    s.Send("200 hi\r\n");
    bool loggedIn = false;
    for (int i = 0; i < 20; ++i) {
      const std::string line = s.ReadLine();
      if (line.empty() || line == "Quit") return;
      if (line == "mode reader") {
        s.Send("200 reader\r\n");
      } else if (line == "AuthInfo User joe") {
        s.Send("381 more\r\n");
      } else if (line == "AuthInfo Pass secret") {
        loggedIn = true;
        s.Send("281 welcome\r\n");
      } else if (line == "List") {
        s.Send(loggedIn ? "215 list\r\npublic 2 1 y\r\nmembers.only 5 1 y\r\n.\r\n"
                        : "215 list\r\npublic 2 1 y\r\n.\r\n");
      } else {
        s.Send("500 unknown\r\n");
      }
    }
  };
  LoopbackServer login(server), anonymous(server);
  AddServerRow("Members", login.Port(), true, "joe", "secret");
  AddServerRow("Guest", anonymous.Port());
  ClickServer("Members");
  EXPECT_EQ(SubsView.Groups.Captions(), (std::vector<std::string>{"public", "members.only"}));
  EXPECT_EQ(SubsView.Groups.Item(1).SubItems(), (std::vector<std::string>{"5"}));
  ClickServer("Guest");
  EXPECT_EQ(SubsView.Groups.Captions(), (std::vector<std::string>{"public"}));
  Form.FormClose();
  login.Join();
  anonymous.Join();
  EXPECT_EQ(login.Received(),
            "mode reader\r\nAuthInfo User joe\r\nAuthInfo Pass secret\r\nList\r\nQuit\r\n");
  EXPECT_EQ(anonymous.Received(), "mode reader\r\nList\r\nQuit\r\n");
}

// The count of a group is high - low + 1, or "None" when it is empty, in the dialog's list
// of all groups (from "List") and in both lists of subscribed groups (from "Group").
TEST_F(UsenetTest, CountsAreTheSameInBothListsAndCountTheLastArticle) {
  struct Row {
    const char* group;
    std::string listLine;    // name high low status
    std::string groupReply;  // 211 count low high name
    std::string count;
  };
  const Row rows[] = {
      {"one", "one 1 1 y", "211 1 1 1 one", "1"},
      {"low.above.high", "low.above.high 1 3 y", "211 0 3 1 low.above.high", "None"},
      {"zero", "zero 0 0 y", "211 0 0 0 zero", "None"},
      {"normal", "normal 3 1 y", "211 3 1 3 normal", "3"},
      {"ten", "ten 109 100 y", "211 10 100 109 ten", "10"},
  };
  std::map<std::string, std::string> replies;
  std::string listing = "215 list\r\n";
  for (const Row& r : rows) {
    listing += r.listLine + "\r\n";
    replies["Group " + std::string(r.group)] = r.groupReply + "\r\n";
  }
  replies["List"] = listing + ".\r\n";
  LoopbackServer server(NewsServer(replies), 2);
  AddServerRow("Local", server.Port());
  SubsView.OnShow = [this] {
    for (int i = 0; i < SubsView.Groups.Count(); ++i) {
      SubsView.Groups.Select(i);
      Subs->btnAddClick();
    }
    return ui::idOK;
  };
  ClickServer("Local");  // no subscriptions yet: the dialog
  ClickServer("Local");  // again: the subscribed groups, each selected
  const std::vector<std::pair<const char*, FakeListView*>> lists = {
      {"all groups", &SubsView.Groups}, {"subscribed", &SubsView.Subs}, {"main", &View.Groups}};
  for (const auto& [name, list] : lists) {
    SCOPED_TRACE(name);
    ASSERT_EQ(list->Count(), static_cast<int>(std::size(rows)));
    for (int i = 0; i < list->Count(); ++i) {
      SCOPED_TRACE(rows[i].group);
      EXPECT_EQ(list->Item(i).Caption(), rows[i].group);
      EXPECT_EQ(list->Item(i).SubItems(), (std::vector<std::string>{rows[i].count}));
    }
  }
}

TEST(GroupCountText, CountsFromLowToHighInclusive) {
  struct Row {
    const char* name;
    uint64_t low, high;
    std::string text;
  };
  const Row rows[] = {
      {"one article", 1, 1, "1"},
      {"low above high", 3, 1, "None"},
      {"empty 0 0", 0, 0, "None"},
      {"empty: high one below low", 8, 7, "None"},
      {"a normal group", 1, 10, "10"},
      {"beyond 32 bits", 1, 4294967296, "4294967296"},
      {"the whole 64-bit range", 0, UINT64_MAX, "18446744073709551616"},
      {"from 1 to the top", 1, UINT64_MAX, "18446744073709551615"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(GroupCountText(r.low, r.high), r.text);
  }
}

// Subscribing a group twice stores it once; after the dialog closes, with OK or Cancel, the
// window lists exactly what is stored for the server.
TEST_F(UsenetTest, TheGroupListShowsWhatIsStoredWhicheverWayTheDialogCloses) {
  LoopbackServer server(
      NewsServer({{"Group alt.a", "211 2 1 2 alt.a\r\n"},
                  {"Group alt.b", "211 3 1 3 alt.b\r\n"},
                  {"List", "215 list\r\nalt.a 2 1 y\r\nalt.b 3 1 y\r\nalt.c 4 1 y\r\n.\r\n"}}));
  const int id = AddServerRow("Local", server.Port());
  Subscribe(id, "alt.a");
  Subscribe(id, "alt.b");
  ClickServer("Local");
  ASSERT_EQ(View.Groups.Captions(), (std::vector<std::string>{"alt.a", "alt.b"}));

  struct Row {
    const char* name;
    std::function<void()> inDialog;
    int result;
    std::vector<std::string> shown;
    std::vector<std::string> counts;
  };
  const auto subscribe = [this](int row) {
    SubsView.Groups.Select(row);
    Subs->btnAddClick();
  };
  const auto unsubscribe = [this](const std::string& group) {
    for (int i = 0; i < SubsView.Subs.Count(); ++i) {
      if (SubsView.Subs.Item(i).Caption() == group) SubsView.Subs.Select(i);
    }
    Subs->btnDelClick();
  };
  const Row rows[] = {
      {"subscribing a subscribed group twice, OK",
       [&] {
         subscribe(0);
         subscribe(0);
       },
       ui::idOK,
       {"alt.a", "alt.b"},
       {"2", "3"}},
      {"unsubscribe, then Cancel", [&] { unsubscribe("alt.a"); }, ui::idCancel, {"alt.b"}, {"3"}},
      {"subscribe, then Cancel",
       [&] { subscribe(2); },
       ui::idCancel,
       {"alt.b", "alt.c"},
       {"3", "4"}},
      {"nothing, Cancel", [] {}, ui::idCancel, {"alt.b", "alt.c"}, {"3", "4"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    SubsView.OnShow = [&] {
      r.inDialog();
      return r.result;
    };
    Form.actSubsExecute();
    EXPECT_EQ(View.Groups.Captions(), r.shown);
    EXPECT_EQ(SubsView.Subs.Captions(), r.shown);
    EXPECT_EQ(Subs->StoredGroups(), r.shown);
    std::vector<std::string> counts;
    for (int i = 0; i < View.Groups.Count(); ++i)
      counts.push_back(View.Groups.Item(i).SubItems().at(0));
    EXPECT_EQ(counts, r.counts);
  }
}

TEST_F(UsenetTest, DisconnectEmptiesTheViewsAndClosingSendsQuit) {
  LoopbackServer server(NewsServer({{"Group alt.a", "211 1 1 1 alt.a\r\n"}}));
  Subscribe(AddServerRow("Local", server.Port()), "alt.a");
  ui::IMenuItem& item = ClickServer("Local");
  View.Msgs.Add().SetCaption("x");
  View.Msg.Add("text");
  View.Att.Show();
  Form.actDisconnectExecute();
  EXPECT_FALSE(item.Checked());
  EXPECT_EQ(View.Groups.Count() + View.Msgs.Count(), 0);
  EXPECT_FALSE(View.Att.Visible());
  EXPECT_TRUE(Memo().empty());
  EXPECT_EQ(SubsView.Subs.Count(), 1) << "the dialog's lists are left as they are";
  Form.actDisconnectExecute();  // not connected: nothing happens
  Form.actSubsExecute();
  EXPECT_EQ(SubsView.ShowCount, 0);
  server.Join();
  EXPECT_EQ(server.Received(), "mode reader\r\nGroup alt.a\r\nQuit\r\n");
}

TEST_F(UsenetTest, NoSecondCommandWhileOneIsWaiting) {
  LoopbackServer server(
      NewsServer({{"Group alt.a", "211 1 5 5 alt.a\r\n"},
                  {"xover 5-5", "224 overview\r\n5\tS\tF\t\t\t\t1\t1\r\n.\r\n"}}));
  Subscribe(AddServerRow("Local", server.Port()), "alt.a");
  ClickServer("Local");
  // While the overview is read, the window's event pump runs another double-click.
  int nested = 0;
  Form.netNews->OnWorkBegin = [&](TComponent&, TWorkMode, int) {
    ++nested;
    View.Groups.Select(0);
    Form.lvGroupsDblClick();
    EXPECT_NE(View.Status.SimpleText().find("Busy"), std::string::npos);
  };
  View.Groups.Select(0);
  Form.lvGroupsDblClick();
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(View.Msgs.Captions(), (std::vector<std::string>{"S"}));
  Form.FormClose();
  server.Join();
  EXPECT_EQ(server.Received(),
            "mode reader\r\nGroup alt.a\r\nGroup alt.a\r\nxover 5-5\r\nQuit\r\n");
}

// "Disconnect" while a command waits closes the connection: the waiting command ends, the
// log says which command was cancelled, the views are emptied and the status bar says
// "Ready". The user's click reaches the window through the anti-freeze's pump.
TEST_F(UsenetTest, DisconnectCancelsTheWaitingCommand) {
  struct Row {
    const char* name;
    LoopbackServer::Handler server;
    std::string waitingCommand;  // the pump clicks "Disconnect" once this command waits
    std::function<void()> action;
    std::string log;
  };
  const auto stalls = [](std::map<std::string, std::string> replies, std::string stalled,
                         std::string partial) {
    return [=](PeerSession& s) {
      s.Send("200 hi\r\n");
      for (int i = 0; i < 20; ++i) {
        const std::string line = s.ReadLine();
        if (line.empty() || line == "Quit") return;
        if (line == stalled) {
          s.Send(partial);
          s.WaitClosed();
          return;
        }
        const auto reply = replies.find(line);
        s.Send(line == "mode reader"    ? "200 reader\r\n"
               : reply != replies.end() ? reply->second
                                        : "500 unknown\r\n");
      }
    };
  };
  const std::map<std::string, std::string> group = {{"Group alt.a", "211 3 100 102 alt.a\r\n"}};
  const Row rows[] = {
      {"overview", stalls(group, "xover 100-102", "224 overview\r\n100\tFirst\r\n"),
       "xover 100-102",
       [this] {
         View.Groups.Select(0);
         Form.lvGroupsDblClick();
       },
       "Cancelled: xover 100-102"},
      {"article", stalls(group, "Article 7", "220 7 <7@x>\r\nSubject: s\r\n\r\nline\r\n"),
       "Article 7",
       [this] {
         View.Msgs.Add().SetData(7);
         View.Msgs.Select(0);
         Form.lvMsgsDblClick();
       },
       "Cancelled: Article 7"},
      {"greeting", [](PeerSession& s) { s.WaitClosed(); }, "", [this] { ClickServer("Silent"); },
       "Cancelled: connect to 127.0.0.1"},
  };
  net::RecordMainThread();
  Form.AntiFreeze1->IdleTimeOut = 20;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    View.Log.Clear();
    LoopbackServer server(r.server);
    const bool connectFirst = !r.waitingCommand.empty();
    const int id =
        AddServerRow(connectFirst ? std::string("Local") + r.name : "Silent", server.Port());
    Subscribe(id, "alt.a");
    if (connectFirst) ClickServer(std::string("Local") + r.name);
    View.Msg.Add("old article");
    int clicks = 0;
    net::SetAntiFreezePump([&](bool) {
      if (clicks == 0 && Form.netNews->CurrentCommand() == r.waitingCommand) {
        ++clicks;
        Form.actDisconnectExecute();
      }
    });
    r.action();
    net::SetAntiFreezePump(nullptr);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(Log(), (std::vector<std::string>{r.log}));
    EXPECT_EQ(View.Status.SimpleText(), "Ready");
    EXPECT_FALSE(Form.netNews->Connected());
    EXPECT_EQ(View.Groups.Count() + View.Msgs.Count(), 0);
    EXPECT_TRUE(Memo().empty());
    for (int i = 4; i < View.Servers.Count(); ++i) EXPECT_FALSE(View.Servers.Items(i).Checked());
    // The window takes the next command at once.
    Form.actSubsExecute();
    EXPECT_EQ(View.Status.SimpleText(), "Ready");
    server.Join();
    if (connectFirst) {
      EXPECT_NE(server.Received().find(r.waitingCommand + "\r\nQuit\r\n"), std::string::npos);
    }
  }
}

// No wait without end: the window's client gives a silent server as long as a connect may
// take, and the time-out is reported like any failure.
TEST_F(UsenetTest, SilentServerEndsInTheReadTimeout) {
  EXPECT_EQ(Form.netNews->ReadTimeout, 120000);
  Form.netNews->ReadTimeout = 200;
  LoopbackServer server([](PeerSession& s) { s.WaitClosed(); });
  Subscribe(AddServerRow("Silent", server.Port()), "alt.a");
  ui::IMenuItem& item = ClickServer("Silent");
  EXPECT_EQ(Log(), (std::vector<std::string>{"Error in FTP process - Read Timeout"}));
  EXPECT_FALSE(item.Checked());
  EXPECT_FALSE(Form.netNews->Connected());
}

// Article view: one server with one group whose articles the tests choose.
class ArticleTest : public UsenetTest {
 protected:
  void Open(std::map<std::string, std::string> articles) {
    articles["Group alt.bin"] = "211 1 1 9 alt.bin\r\n";
    Server = std::make_unique<LoopbackServer>(NewsServer(std::move(articles)));
    Subscribe(AddServerRow("Local", Server->Port()), "alt.bin");
    ClickServer("Local");
  }
  void Show(uint64_t number) {
    View.Msgs.Clear();
    View.Msgs.Add().SetData(number);
    View.Msgs.Select(0);
    Form.lvMsgsDblClick();
  }
  void SelectAttachment(int index) { View.Att.Select(index); }
  std::unique_ptr<LoopbackServer> Server;
};

const std::string kHeader = "Subject: hi\r\nFrom: a@b\r\n";

TEST_F(ArticleTest, PlainArticleShowsHeadersEmptyLineAndBody) {
  Open({{"Article 1", "220 1 <1@x>\r\n" + kHeader + "\r\nline 1\r\n\r\nline 3\r\n.\r\n"}});
  View.Att.Hide();
  Show(1);
  EXPECT_EQ(Memo(),
            (std::vector<std::string>{"Subject: hi", "From: a@b", "", "line 1", "", "line 3"}));
  EXPECT_FALSE(View.Att.Visible());
  EXPECT_EQ(WindowSystem.ScreenDouble.History,
            (std::vector<ui::TCursor>{ui::TCursor::crHourGlass, ui::TCursor::crDefault}));
}

TEST_F(ArticleTest, MultipartShowsBodyThenTextPartsAndListsAttachmentsOnce) {
  const std::string article =
      "220 2 <2@x>\r\nSubject: parts\r\nContent-Type: multipart/mixed; boundary=B\r\n\r\n"
      "preamble\r\n--B\r\nContent-Type: text/plain\r\n\r\nfirst text\r\n"
      "--B\r\nContent-Type: application/octet-stream; name=\"a.bin\"\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\n" +
      test::Base64Lines("abc") +
      "--B\r\nContent-Type: text/plain\r\n\r\nsecond text\r\n--B--\r\nepilogue\r\n.\r\n";
  Open({{"Article 2", article}});
  Show(2);
  EXPECT_EQ(Memo(),
            (std::vector<std::string>{"Subject: parts", "Content-Type: multipart/mixed; boundary=B",
                                      "", "preamble", "epilogue", "first text", "second text"}));
  EXPECT_EQ(View.Att.Captions(), (std::vector<std::string>{"a.bin"}));
  EXPECT_EQ(View.Att.Item(0).ImageIndex(), 3);
  EXPECT_TRUE(View.Att.Visible());
  EXPECT_EQ(View.Att.Top, View.RightPaneHeight());
}

TEST_F(ArticleTest, AttachmentsOpenInsideTheScratchFolderOnly) {
  // Blocks of at least 45 bytes: a shorter first line is no known encoding.
  const std::string first(50, '1'), second(50, '2'), up(60, 'u'), abs(70, 'a');
  const std::string article =
      "220 3 <3@x>\r\n" + kHeader + "\r\n" + "begin 644 same.txt\r\n" + test::UuLines(first) +
      "`\r\nend\r\n" + "begin 644 same.txt\r\n" + test::UuLines(second) + "`\r\nend\r\n" +
      "begin 644 ../up.txt\r\n" + test::UuLines(up) + "`\r\nend\r\n" + "begin 644 " +
      Dir.File("abs.txt") + "\r\n" + test::UuLines(abs) + "`\r\nend\r\n.\r\n";
  Open({{"Article 3", article}});
  Show(3);
  ASSERT_EQ(View.Att.Count(), 4);
  EXPECT_EQ(Memo(), (std::vector<std::string>{"Subject: hi", "From: a@b", ""}));

  // Opening the same attachment twice replaces the file and opens it again; of two
  // attachments with one name, the first is used.
  SelectAttachment(1);
  Form.mnuOpenClick();
  Form.lvAttDblClick();
  EXPECT_EQ(test::ReadWholeFile(Scratch() + "same.txt"), first);
  ASSERT_EQ(WindowSystem.ShellOpens.size(), 2u);
  EXPECT_EQ(WindowSystem.ShellOpens[1].Target, Scratch() + "same.txt");
  EXPECT_EQ(WindowSystem.ShellOpens[1].Verb, "open");

  SelectAttachment(2);
  Form.mnuOpenClick();
  EXPECT_EQ(test::ReadWholeFile(Scratch() + "up.txt"), up);
  EXPECT_FALSE(fs::exists(Dir.File("temp/up.txt")));
  SelectAttachment(3);
  Form.mnuOpenClick();
  EXPECT_EQ(test::ReadWholeFile(Scratch() + "abs.txt"), abs);
  EXPECT_FALSE(fs::exists(Dir.File("abs.txt")));
  EXPECT_EQ(View.Att.Item(3).Caption(), Dir.File("abs.txt")) << "the list shows the name as given";
}

TEST_F(ArticleTest, EmptyFileNameCannotOpenButCanBeSaved) {
  const std::string article =
      "220 4 <4@x>\r\nContent-Type: application/zip\r\n"
      "Content-Disposition: attachment\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
      test::Base64Lines("zipdata") + ".\r\n";
  Open({{"Article 4", article}});
  Show(4);
  ASSERT_EQ(View.Att.Captions(), (std::vector<std::string>{""}));
  EXPECT_EQ(Memo().size(), 4u) << "headers and the empty line only";
  SelectAttachment(0);
  try {
    Form.mnuOpenClick();
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Error saving attachment.");
  }
  EXPECT_TRUE(WindowSystem.ShellOpens.empty());

  const std::string chosen = Dir.File("saved.zip");
  {
    std::ofstream existing(chosen);
    existing << "old";
  }
  View.Save.Choices.push_back(chosen);
  Form.mnuSaveClick();
  EXPECT_EQ(test::ReadWholeFile(chosen), "zipdata")
      << "an existing file is replaced after the dialog asked";
  View.Save.Choices.push_back(std::nullopt);
  Form.mnuSaveClick();  // cancelled: nothing happens
}

TEST_F(ArticleTest, SaveDialogIsPresetWithTheLastNameComponent) {
  Open({{"Article 5", "220 5 <5@x>\r\n\r\nbegin 644 /etc/x.bin\r\n" +
                          test::UuLines(std::string(45, 'x')) + "`\r\nend\r\n.\r\n"}});
  Show(5);
  SelectAttachment(0);
  View.Save.Choices.push_back(std::nullopt);
  Form.mnuSaveClick();
  EXPECT_EQ(View.Save.PresetNames, (std::vector<std::string>{"x.bin"}));
}

TEST_F(ArticleTest, DamagedPartsAreLoggedAndTheRestIsShown) {
  Open({{"Article 6",
         "220 6 <6@x>\r\nSubject: =?ISO-8859-1?Q?=ZZ?=\r\nContent-Type: multipart/mixed; "
         "boundary=B\r\n\r\n--B\r\nContent-Type: image/gif; name=a.gif\r\n"
         "Content-Transfer-Encoding: base64\r\n\r\nR0lG\r\nR0l\r\n--B\r\n\r\nstill shown\r\n"
         "--B--\r\n.\r\n"}});
  Show(6);
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "Field Subject kept as sent: '$ZZ' is not a valid integer value",
                       "Damaged part \"a.gif\": Uneven size in DecodeToStream."}));
  EXPECT_EQ(Memo().back(), "still shown");
  EXPECT_EQ(View.Att.Captions(), (std::vector<std::string>{"a.gif"}));
}

TEST_F(ArticleTest, MissingArticleEmptiesTheViewAndFailuresRestoreTheCursor) {
  Open({{"Article 1", "220 1 <1@x>\r\n" + kHeader + "\r\nbody\r\n.\r\n"},
        {"Article 2", "423 no such article\r\n"},
        {"Article 3", "500 broken\r\n"}});
  Show(1);
  Show(2);
  EXPECT_TRUE(Memo().empty());
  EXPECT_EQ(
      Log(),
      (std::vector<std::string>{"Article 2 is not available on the server - 423 no such article"}));
  Show(1);
  EXPECT_THROW(Show(3), ENetException);
  EXPECT_EQ(WindowSystem.ScreenDouble.Cursor(), ui::TCursor::crDefault);
  EXPECT_EQ(Memo().back(), "body") << "a failure leaves the view as it was";
}

// Texts in several charsets, as the user reads them (UTF-8).
const std::string kCafe = "Caf\xc3\xa9";
const std::string kPrivet = "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82";
const std::string kResumeUtf8 = "r\xc3\xa9sum\xc3\xa9.pdf";
const std::string kResumeLatin1 = "r\xe9sum\xe9.pdf";

TEST_F(UsenetTest, MessageListShowsDecodedSubjectsAndSenders) {
  LoopbackServer server(NewsServer(
      {{"Group alt.a", "211 3 1 3 alt.a\r\n"},
       {"xover 1-3",
        "224 overview\r\n"
        "1\t=?ISO-8859-1?Q?Caf=E9?= =?UTF-8?Q?_cr=C3=A8me?=\t=?KOI8-R?B?8NLJ18XU?= <p@x>\r\n"
        "2\tRe: Gr\xfc\xdf"
        "e\t=?x-unknown?Q?a?= <u@x>\r\n"
        "3\t=?UTF-8?Q?=ZZ?=\tplain@x\r\n.\r\n"}}));
  Subscribe(AddServerRow("Local", server.Port()), "alt.a");
  ClickServer("Local");
  View.Groups.Select(0);
  Form.lvGroupsDblClick();
  EXPECT_EQ(View.Msgs.Captions(), (std::vector<std::string>{kCafe + " cr\xc3\xa8me",
                                                            "Re: Gr\xc3\xbc\xc3\x9f"
                                                            "e",
                                                            "=?UTF-8?Q?=ZZ?="}));
  std::vector<std::string> senders;
  for (int i = 0; i < View.Msgs.Count(); ++i) senders.push_back(View.Msgs.Item(i).SubItems()[0]);
  EXPECT_EQ(senders,
            (std::vector<std::string>{kPrivet + " <p@x>", "=?x-unknown?Q?a?= <u@x>", "plain@x"}));
}

// A group name that is not UTF-8 reads as characters in the lists and reaches the table and
// the server as the bytes the server sent.
TEST_F(UsenetTest, NonUtf8GroupNameIsSubscribedAndSelectedByItsBytes) {
  const std::string group = "de.t\xe9st";
  LoopbackServer server(NewsServer({{"List", "215 list\r\n" + group + " 3 1 y\r\n.\r\n"},
                                    {"Group " + group, "211 3 1 3 " + group + "\r\n"},
                                    {"xover 1-3", "224 overview\r\n1\ts\tf\r\n.\r\n"}}),
                        2);
  AddServerRow("Local", server.Port());
  SubsView.OnShow = [this] {
    SubsView.Groups.Select(0);
    Subs->btnAddClick();
    return ui::idOK;
  };
  ClickServer("Local");
  EXPECT_EQ(SubsView.Groups.Captions(), (std::vector<std::string>{"de.t\xc3\xa9st"}));
  EXPECT_EQ(SubsView.Subs.Captions(), (std::vector<std::string>{"de.t\xc3\xa9st"}));
  ASSERT_EQ(View.Groups.Count(), 1);
  EXPECT_EQ(View.Groups.Item(0).Caption(), "de.t\xc3\xa9st");
  EXPECT_EQ(View.Groups.Item(0).Key(), group);
  View.Groups.Select(0);
  Form.lvGroupsDblClick();
  EXPECT_EQ(View.Msgs.Count(), 1);
  // Connecting again selects the subscription the table holds.
  ClickServer("Local");
  EXPECT_EQ(View.Groups.Item(0).Key(), group);
  Form.FormClose();
  server.Join();
  EXPECT_EQ(server.Received(), "mode reader\r\nList\r\nGroup " + group +
                                   "\r\nxover 1-3\r\nQuit\r\n" + "mode reader\r\nGroup " + group +
                                   "\r\nQuit\r\n");
  const auto stored = [] {
    store::TTable subscriptions;
    subscriptions.DatabaseName = "News";
    subscriptions.TableName = "Subscriptions";
    subscriptions.Open();
    std::vector<std::string> groups;
    for (bool row = subscriptions.First(); row; row = subscriptions.Next())
      groups.push_back(subscriptions.FieldByName("Group").AsString());
    return groups;
  };
  EXPECT_EQ(stored(), std::vector<std::string>{group});
  SubsView.Subs.Select(0);
  Subs->btnDelClick();
  EXPECT_TRUE(stored().empty()) << "unsubscribed by the same bytes";
}

TEST_F(ArticleTest, TheViewShowsEveryCharsetInUtf8) {
  Open({{"Article 1",
         "220 1 <1@x>\r\nSubject: =?ISO-8859-1?Q?Gr=FC=DFe?=\r\n"
         "Content-Type: text/plain\r\n\r\nGr\xfc\xdf"
         "e aus K\xf6ln\r\n\x93quoted\x94\r\n.\r\n"},
        {"Article 2",
         "220 2 <2@x>\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n" + kCafe + "\r\n.\r\n"},
        {"Article 3",
         "220 3 <3@x>\r\nContent-Type: multipart/mixed; boundary=B\r\n\r\n--B\r\n"
         "Content-Type: text/plain; charset=koi8-r\r\n\r\n\xf0\xd2\xc9\xd7\xc5\xd4\r\n--B\r\n"
         "Content-Type: text/plain; charset=iso-8859-15\r\n"
         "Content-Transfer-Encoding: quoted-printable\r\n\r\n5 =A4\r\n--B\r\n"
         "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n\x1b$B$3$s$K$A$O\x1b(B\r\n"
         "--B--\r\n.\r\n"}});
  Show(1);
  EXPECT_EQ(Memo(), (std::vector<std::string>{"Subject: Gr\xc3\xbc\xc3\x9f"
                                              "e",
                                              "Content-Type: text/plain", "",
                                              "Gr\xc3\xbc\xc3\x9f"
                                              "e aus K\xc3\xb6ln",
                                              "\xe2\x80\x9cquoted\xe2\x80\x9d"}));
  Show(2);
  EXPECT_EQ(Memo().back(), kCafe);
  Show(3);
  const std::vector<std::string> memo = Memo();
  EXPECT_EQ(
      std::vector<std::string>(memo.end() - 3, memo.end()),
      (std::vector<std::string>{kPrivet, "5 \xe2\x82\xac",
                                "\xe3\x81\x93\xe3\x82\x93\xe3\x81\xab\xe3\x81\xa1\xe3\x81\xaf"}));
}

TEST_F(ArticleTest, RawHeadersAreASwitchOfTheView) {
  Open({{"Article 1",
         "220 1 <1@x>\r\nSubject: =?UTF-8?Q?Caf=C3=A9?=\r\n =?UTF-8?Q?!?=\r\n"
         "\r\nbody\r\n.\r\n"}});
  EXPECT_FALSE(Form.ShowRawHeaders);
  Form.mnuRawHeadersClick();
  EXPECT_TRUE(Memo().empty()) << "no article shown: nothing to show";
  Form.mnuRawHeadersClick();
  Show(1);
  EXPECT_EQ(Memo(), (std::vector<std::string>{"Subject: " + kCafe + "!", "", "body"}));
  Form.mnuRawHeadersClick();
  EXPECT_EQ(Memo(), (std::vector<std::string>{
                        "Subject: =?UTF-8?Q?Caf=C3=A9?=", " =?UTF-8?Q?!?=", "", "body"}));
  Show(1);
  EXPECT_EQ(Memo().front(), "Subject: =?UTF-8?Q?Caf=C3=A9?=") << "the switch stays";
  Form.mnuRawHeadersClick();
  EXPECT_EQ(Memo().front(), "Subject: " + kCafe + "!");
}

TEST_F(ArticleTest, AlternativeShowsThePlainTextAndOpensTheOthers) {
  Open({{"Article 1",
         "220 1 <1@x>\r\nContent-Type: multipart/alternative; boundary=A\r\n\r\n"
         "--A\r\nContent-Type: text/plain\r\n\r\nplain text\r\n--A\r\n"
         "Content-Type: text/html\r\n\r\n<p>html</p>\r\n--A--\r\n.\r\n"}});
  Show(1);
  const std::vector<std::string> memo = Memo();
  EXPECT_EQ(memo.back(), "plain text");
  EXPECT_EQ(std::count(memo.begin(), memo.end(), "<p>html</p>"), 0);
  ASSERT_EQ(View.Att.Captions(), (std::vector<std::string>{"part-2.html"}));
  EXPECT_TRUE(View.Att.Visible());
  SelectAttachment(0);
  Form.mnuOpenClick();
  EXPECT_EQ(test::ReadWholeFile(Scratch() + "part-2.html"), "<p>html</p>\r\n");
  ASSERT_EQ(WindowSystem.ShellOpens.size(), 1u);
  EXPECT_EQ(WindowSystem.ShellOpens[0].Target, Scratch() + "part-2.html");
}

// Two attachments that read alike: one named in Latin-1, one in UTF-8. Each row opens and
// saves its own attachment, byte for byte, under the name the list shows.
TEST_F(ArticleTest, NonUtf8AttachmentNameOpensAndSavesByteForByte) {
  std::string latin1Content, utf8Content;
  for (int i = 0; i < 300; ++i) {
    latin1Content += static_cast<char>(i * 7);
    utf8Content += static_cast<char>(255 - i);
  }
  const std::string article =
      "220 1 <1@x>\r\nContent-Type: multipart/mixed; boundary=B\r\n\r\n--B\r\n"
      "Content-Type: application/pdf; name=\"" +
      kResumeLatin1 + "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
      test::Base64Lines(latin1Content) +
      "--B\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; filename=\"" +
      kResumeUtf8 + "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
      test::Base64Lines(utf8Content) + "--B--\r\n.\r\n";
  Open({{"Article 1", article}});
  Show(1);
  ASSERT_EQ(View.Att.Captions(), (std::vector<std::string>{kResumeUtf8, kResumeUtf8}));
  EXPECT_EQ(View.Att.Item(0).Key(), kResumeLatin1);
  EXPECT_EQ(View.Att.Item(1).Key(), kResumeUtf8);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const std::string& content = i == 0 ? latin1Content : utf8Content;
    SelectAttachment(i);
    Form.mnuOpenClick();
    EXPECT_EQ(test::ReadWholeFile(Scratch() + kResumeUtf8), content);
    EXPECT_EQ(WindowSystem.ShellOpens.back().Target, Scratch() + kResumeUtf8);
    const std::string chosen = Dir.File("saved-" + std::to_string(i) + ".pdf");
    View.Save.Choices.push_back(chosen);
    Form.mnuSaveClick();
    EXPECT_EQ(View.Save.PresetNames.back(), kResumeUtf8);
    EXPECT_EQ(test::ReadWholeFile(chosen), content);
  }
}

TEST_F(ArticleTest, ANewGroupsHeadersReplaceTheArticle) {
  Open({{"Article 1", "220 1 <1@x>\r\n\r\nbegin 644 a.bin\r\n" +
                          test::UuLines(std::string(45, 'a')) + "`\r\nend\r\n.\r\n"},
        {"xover 1-9", "224 overview\r\n1\tone\tme\r\n.\r\n"}});
  Show(1);
  ASSERT_TRUE(View.Att.Visible());
  View.Groups.Select(0);
  Form.lvGroupsDblClick();
  EXPECT_EQ(View.Msgs.Captions(), (std::vector<std::string>{"one"}));
  EXPECT_TRUE(Memo().empty());
  EXPECT_FALSE(View.Att.Visible());
  EXPECT_EQ(View.Att.Count(), 0);
  Form.mnuRawHeadersClick();
  EXPECT_TRUE(Memo().empty()) << "the switch does not bring the article back";
}

}  // namespace
}  // namespace qp::app
