#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Main.h"
#include "store/Table.h"
#include "support/FakeWindowSystem.h"
#include "support/LoopbackServer.h"
#include "support/TempDir.h"
#include "support/WebServer.h"

namespace qp::app {
namespace {

using test::LoopbackServer;
using test::RequestCount;
using test::WebServer;
using test::WebUrl;
using Strings = std::vector<std::string>;

// An RSS channel and one item per title, each linked to http://<channel>/<title>.
std::string Rss(const std::string& channel, const Strings& titles) {
  std::string items;
  for (const std::string& t : titles)
    items += "<item><title>" + t + "</title><link>http://" + channel + "/" + t + "</link></item>";
  return "<rss><channel><title>" + channel + "</title><link>http://" + channel + "/</link>" +
         items + "</channel></rss>";
}

// The main window over fakes, its tables in a temporary folder.
class FeedsTest : public ::testing::Test {
 protected:
  FeedsTest() : Form(WindowSystem, View) {
    std::filesystem::create_directories(Dir.File("data"));
    Form.DataFolder = Dir.File("data/");
    Form.TempFolder = Dir.File("");
    Form.FormCreate();
  }
  ~FeedsTest() override {
    Form.FormClose();
    Form.FormDestroy();
  }

  void AddSite(const std::string& name, const std::string& url, bool active = true) {
    store::TTable sites;
    sites.DatabaseName = Dir.File("data/");
    sites.TableName = "Sites.DAT";
    sites.Open();
    sites.Insert();
    sites.FieldByName("Name").SetAsString(name);
    sites.FieldByName("URL").SetAsString(url);
    sites.FieldByName("Active").SetAsBoolean(active);
    sites.Post();
  }

  // The captions in depth-first order, indented by level.
  Strings Tree() {
    Strings captions;
    for (int i = 0; i < View.Tree.Count(); ++i) {
      const test::FakeTreeNode& node = View.Tree.Node(i);
      captions.push_back(std::string(static_cast<std::size_t>(node.Level()), ' ') + node.Text());
    }
    return captions;
  }
  Strings Log() const { return View.Log.Lines().Lines(); }

  // Double-clicks the node at absoluteIndex; returns what the shell opened ("" = nothing).
  std::string DoubleClick(int absoluteIndex) {
    View.Tree.Select(&View.Tree.Node(absoluteIndex));
    const std::size_t opened = WindowSystem.ShellOpens.size();
    Form.tvListDblClick();
    return WindowSystem.ShellOpens.size() > opened ? WindowSystem.ShellOpens.back().Target : "";
  }

  test::TempDir Dir;
  test::FakeWindowSystem WindowSystem;
  test::FakeMainView View;
  TfrmMain Form;
};

TEST_F(FeedsTest, NoActiveSiteLeavesTheRootAndLogsDone) {
  LoopbackServer server(WebServer({{"/feed.xml", Rss("c", {"A"})}}), 5);
  AddSite("Inactive", WebUrl(server, "/feed.xml"), false);
  Form.actUpdateExecute();
  EXPECT_EQ(Tree(), Strings{"Gossip"});
  EXPECT_TRUE(View.Tree.Node(0).Expanded());
  EXPECT_EQ(Log(), Strings{"Done"});
  EXPECT_EQ(server.Accepted(), 0);
}

TEST_F(FeedsTest, SitesBecomeNodesAndFailingSitesAreLoggedAndSkipped) {
  const std::string atom =
      "<feed xmlns='http://www.w3.org/2005/Atom'><entry><title>E</title><link href='e/1'/>"
      "</entry></feed>";
  LoopbackServer server(WebServer({{"/one.xml", Rss("one", {"A", "B"})},
                                   {"/blog/atom.xml", atom},
                                   {"/three.xml", "T\nhttp://three/t\nd\n"},
                                   {"/private.xml", {Rss("p", {}), "me:pw"}}}),
                        5);
  AddSite("One", WebUrl(server, "/one.xml"));
  AddSite("Refused", "http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/");
  AddSite("Missing", WebUrl(server, "/missing.xml"));
  AddSite("Login", WebUrl(server, "/private.xml", "me:guess"));
  AddSite("Atom", WebUrl(server, "/blog/atom.xml"));
  AddSite("Three", WebUrl(server, "/three.xml"));
  Form.actUpdateExecute();
  EXPECT_EQ(Tree(),
            (Strings{"Gossip", " One", "  one", "  A", "  B", " Atom", "  E", " Three", "  T"}));
  EXPECT_EQ(Log(), (Strings{"Connecting to One", "Completed One", "Connecting to Refused",
                            "Error in FTP process - Connection refused", "Connecting to Missing",
                            "Error in FTP process - 404 Not Found", "Connecting to Login",
                            "Error in FTP process - 401 Unauthorized", "Connecting to Atom",
                            "Completed Atom", "Connecting to Three", "Completed Three", "Done"}));
  for (int i : {0, 1, 5, 7}) EXPECT_TRUE(View.Tree.Node(i).Expanded()) << i;
  EXPECT_EQ(View.Status.History,
            (Strings{"Updating 1 of 6: One", "Updating 2 of 6: Refused", "Updating 3 of 6: Missing",
                     "Updating 4 of 6: Login", "Updating 5 of 6: Atom", "Updating 6 of 6: Three",
                     "Ready"}));
  // A relative Atom link is resolved against the site's URL.
  EXPECT_EQ(DoubleClick(6), WebUrl(server, "/blog/e/1"));
}

TEST_F(FeedsTest, EveryItemNodeOpensItsOwnLinkAlsoOnLaterSites) {
  LoopbackServer server(WebServer({{"/a", Rss("a", {"1", "2"})},
                                   {"/b", Rss("b", {"1"})},
                                   {"/c", Rss("c", {"1", "2", "3"})}}),
                        5);
  for (const std::string site : {"a", "b", "c"}) AddSite(site, WebUrl(server, "/" + site));
  Form.actUpdateExecute();
  ASSERT_EQ(View.Tree.Count(), 1 + 3 + 3 + 2 + 4);
  for (int i = 0; i < View.Tree.Count(); ++i) {
    const test::FakeTreeNode& node = View.Tree.Node(i);
    if (node.Level() != 2) continue;
    SCOPED_TRACE(i);
    const std::string site = node.Parent()->Text();
    EXPECT_EQ(DoubleClick(i), "http://" + site + "/" + (node.Text() == site ? "" : node.Text()));
  }
}

TEST_F(FeedsTest, DoubleClicksOnTheRootAskAndOnASiteNodeDoNothing) {
  LoopbackServer server(WebServer({{"/feed.xml", Rss("c", {"A"})}}), 5);
  AddSite("Site", WebUrl(server, "/feed.xml"));
  Form.actUpdateExecute();
  const Strings tree = Tree(), log = Log();
  EXPECT_EQ(DoubleClick(1), "");
  WindowSystem.MessageBoxResults = {ui::idNo};
  DoubleClick(0);
  ASSERT_EQ(WindowSystem.MessageBoxes.size(), 1u);
  EXPECT_EQ(WindowSystem.MessageBoxes[0].Text, "Update newsfeeds?");
  EXPECT_EQ(WindowSystem.MessageBoxes[0].Caption, "Update Confirmation");
  EXPECT_EQ(WindowSystem.MessageBoxes[0].Buttons, ui::TMsgButtons::mbYesNo);
  EXPECT_EQ(Tree(), tree);
  EXPECT_EQ(Log(), log);
  WindowSystem.MessageBoxResults = {ui::idYes};
  DoubleClick(0);
  EXPECT_EQ(Tree(), tree);
  EXPECT_EQ(Log().size(), 2 * log.size());
  EXPECT_EQ(RequestCount(server.Received()), 2);
}

TEST_F(FeedsTest, OnlyWebLinksAreOpened) {
  struct Row {
    std::string link;
    std::string opened;
    std::string logged;
  };
  const Row rows[] = {
      {"http://example.org/a", "http://example.org/a", ""},
      {"HTTPS://example.org/b", "HTTPS://example.org/b", ""},
      {"\n   http://example.org/c \n", "http://example.org/c", ""},
      {"file:///usr/bin/xterm", "", "Not opening link: file:///usr/bin/xterm"},
      {"/usr/bin/xterm", "", "Not opening link: /usr/bin/xterm"},
      {"javascript:alert(1)", "", "Not opening link: javascript:alert(1)"},
      {" ", "", "No link for this item"},
  };
  std::string items;
  for (const Row& r : rows) items += "<item><title>t</title><link>" + r.link + "</link></item>";
  LoopbackServer server(WebServer({{"/feed.xml", "<rss><channel>" + items + "</channel></rss>"}}),
                        5);
  AddSite("Site", WebUrl(server, "/feed.xml"));
  Form.actUpdateExecute();
  int node = 2;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.link);
    Strings expected = Log();
    if (!r.logged.empty()) expected.push_back(r.logged);
    EXPECT_EQ(DoubleClick(node++), r.opened);
    EXPECT_EQ(Log(), expected);
  }
  EXPECT_EQ(WindowSystem.ShellOpens.back().Verb, "");
  // The shell's answer is not reported.
  WindowSystem.ShellFailure = "No application is associated with http://example.org/a";
  const Strings before = Log();
  EXPECT_NO_THROW(DoubleClick(2));
  EXPECT_EQ(Log(), before);
}

TEST_F(FeedsTest, NoSecondUpdateWhileOneIsWaiting) {
  LoopbackServer server(WebServer({{"/feed.xml", Rss("c", {"A"})}}), 5);
  AddSite("Site", WebUrl(server, "/feed.xml"));
  // While the body is read, the window's event pump runs "Update" and a double-click on the
  // root answered with Yes.
  int nested = 0;
  Form.netHTTP->OnWorkBegin = [&](TComponent&, TWorkMode, int) {
    ++nested;
    Form.actUpdateExecute();
    EXPECT_EQ(View.Status.SimpleText(),
              "Busy: the server is still answering the previous command. Please wait ...");
    WindowSystem.MessageBoxResults = {ui::idYes};
    DoubleClick(0);
  };
  Form.actUpdateExecute();
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(Tree(), (Strings{"Gossip", " Site", "  c", "  A"}));
  EXPECT_EQ(Log(), (Strings{"Connecting to Site", "Completed Site", "Done"}));
  EXPECT_EQ(RequestCount(server.Received()), 1);
}

TEST_F(FeedsTest, ClosingTheWindowDuringAnUpdateFetchesNoFurtherSite) {
  LoopbackServer server(WebServer({{"/feed.xml", Rss("c", {"A"})}}), 5);
  AddSite("First", WebUrl(server, "/feed.xml"));
  AddSite("Second", WebUrl(server, "/feed.xml"));
  Form.netHTTP->OnWorkBegin = [&](TComponent&, TWorkMode, int) { Form.FormClose(); };
  Form.actUpdateExecute();
  EXPECT_EQ(RequestCount(server.Received()), 1);
  EXPECT_EQ(Log(), (Strings{"Connecting to First", "Completed First", "Done"}));
}

}  // namespace
}  // namespace qp::app
