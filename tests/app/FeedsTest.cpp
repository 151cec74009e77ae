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

namespace fs = std::filesystem;
using test::FakeMainView;
using test::FakeTreeNode;
using test::FakeWindowSystem;
using test::LoopbackServer;
using test::RequestCount;
using test::WebPage;
using test::WebServer;
using test::WebUrl;
using Strings = std::vector<std::string>;

// An RSS document: the channel's title and link, then one item per title, linked to
// http://<channel>/<title>.
std::string Rss(const std::string& channel, const Strings& titles) {
  std::string items;
  for (const std::string& title : titles)
    items += "<item><title>" + title + "</title><link>http://" + channel + "/" + title +
             "</link></item>";
  return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>" + channel +
         "</title><link>http://" + channel + "/</link>" + items + "</channel></rss>";
}

// The main window over fakes, its tables in a temporary folder.
class FeedsTest : public ::testing::Test {
 protected:
  FeedsTest() : Form(WindowSystem, View) {
    fs::create_directories(Dir.File("data"));
    fs::create_directories(Dir.File("temp"));
    Form.DataFolder = Dir.File("data/");
    Form.TempFolder = Dir.File("temp/");
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

  // Every caption of the tree in depth-first order, items indented by their level.
  Strings Tree() {
    Strings captions;
    for (int i = 0; i < View.Tree.Count(); ++i) {
      const FakeTreeNode& node = View.Tree.Node(i);
      captions.push_back(std::string(static_cast<std::size_t>(node.Level()), ' ') + node.Text());
    }
    return captions;
  }

  Strings Log() const { return View.Log.Lines().Lines(); }

  // Double-clicks the node at absoluteIndex; returns what the shell was asked to open ("" for
  // nothing).
  std::string DoubleClick(int absoluteIndex) {
    View.Tree.Select(&View.Tree.Node(absoluteIndex));
    const std::size_t opened = WindowSystem.ShellOpens.size();
    Form.tvListDblClick();
    return WindowSystem.ShellOpens.size() > opened ? WindowSystem.ShellOpens.back().Target : "";
  }

  test::TempDir Dir;
  FakeWindowSystem WindowSystem;
  FakeMainView View;
  TfrmMain Form;
};

TEST_F(FeedsTest, NoActiveSiteLeavesTheRootAndLogsDone) {
  LoopbackServer server(WebServer({{"/feed.xml", WebPage{Rss("c", {"A"})}}}), 5);
  AddSite("Inactive", WebUrl(server, "/feed.xml"), false);
  Form.actUpdateExecute();
  EXPECT_EQ(Tree(), Strings{"Gossip"});
  EXPECT_TRUE(View.Tree.Node(0).Expanded());
  EXPECT_EQ(Log(), Strings{"Done"});
  EXPECT_EQ(View.Status.SimpleText(), "Ready");
  EXPECT_EQ(server.Accepted(), 0);
}

TEST_F(FeedsTest, SitesBecomeNodesWithTheirItemsAndAFailingSiteIsSkipped) {
  LoopbackServer server(WebServer({{"/one.xml", WebPage{Rss("one", {"A", "B"})}},
                                   {"/three.xml", WebPage{"T\nhttp://three/t\nd\n"}}}),
                        5);
  const int refused = test::UnusedLoopbackPort();
  AddSite("One", WebUrl(server, "/one.xml"));
  AddSite("Two", "http://127.0.0.1:" + std::to_string(refused) + "/two.xml");
  AddSite("Missing", WebUrl(server, "/missing.xml"));
  AddSite("Three", WebUrl(server, "/three.xml"));
  Form.actUpdateExecute();
  EXPECT_EQ(Tree(), (Strings{"Gossip", " One", "  one", "  A", "  B", " Three", "  T"}));
  EXPECT_EQ(Log(), (Strings{"Connecting to One", "Completed One", "Connecting to Two",
                            "Error in FTP process - Connection refused", "Connecting to Missing",
                            "Error in FTP process - 404 Not Found", "Connecting to Three",
                            "Completed Three", "Done"}));
  for (int i : {0, 1, 5}) EXPECT_TRUE(View.Tree.Node(i).Expanded()) << i;
  EXPECT_EQ(View.Status.History,
            (Strings{"Updating 1 of 4: One", "Updating 2 of 4: Two", "Updating 3 of 4: Missing",
                     "Updating 4 of 4: Three", "Ready"}));
}

TEST_F(FeedsTest, EveryItemNodeOpensItsOwnLinkAlsoOnLaterSites) {
  LoopbackServer server(WebServer({{"/a.xml", WebPage{Rss("a", {"1", "2"})}},
                                   {"/b.xml", WebPage{Rss("b", {"1"})}},
                                   {"/c.xml", WebPage{Rss("c", {"1", "2", "3"})}}}),
                        5);
  for (const char* site : {"a", "b", "c"})
    AddSite(site, WebUrl(server, "/" + std::string(site) + ".xml"));
  Form.actUpdateExecute();
  ASSERT_EQ(View.Tree.Count(), 1 + 3 + 3 + 2 + 4);
  int items = 0;
  for (int i = 0; i < View.Tree.Count(); ++i) {
    const FakeTreeNode& node = View.Tree.Node(i);
    if (node.Level() != 2) continue;
    SCOPED_TRACE(i);
    const std::string site = node.Parent()->Text();
    const std::string expected =
        node.Text() == site ? "http://" + site + "/" : "http://" + site + "/" + node.Text();
    EXPECT_EQ(DoubleClick(i), expected);
    ++items;
  }
  EXPECT_EQ(items, 9);
}

TEST_F(FeedsTest, DoubleClicksOnTheRootAndOnSiteNodes) {
  LoopbackServer server(WebServer({{"/feed.xml", WebPage{Rss("c", {"A"})}}}), 5);
  AddSite("Site", WebUrl(server, "/feed.xml"));
  Form.actUpdateExecute();
  const Strings tree = Tree();
  const Strings log = Log();

  EXPECT_EQ(DoubleClick(1), "");  // the site node
  View.Tree.Select(nullptr);
  Form.tvListDblClick();
  EXPECT_TRUE(WindowSystem.MessageBoxes.empty());

  WindowSystem.MessageBoxResults = {ui::idNo};
  EXPECT_EQ(DoubleClick(0), "");
  ASSERT_EQ(WindowSystem.MessageBoxes.size(), 1u);
  EXPECT_EQ(WindowSystem.MessageBoxes[0].Text, "Update newsfeeds?");
  EXPECT_EQ(WindowSystem.MessageBoxes[0].Caption, "Update Confirmation");
  EXPECT_EQ(WindowSystem.MessageBoxes[0].Buttons, ui::TMsgButtons::mbYesNo);
  EXPECT_EQ(Tree(), tree);
  EXPECT_EQ(Log(), log);
  EXPECT_EQ(RequestCount(server.Received()), 1);

  WindowSystem.MessageBoxResults = {ui::idYes};
  DoubleClick(0);
  EXPECT_EQ(Tree(), tree);
  EXPECT_EQ(Log().size(), 2 * log.size());
  EXPECT_EQ(RequestCount(server.Received()), 2);
}

TEST_F(FeedsTest, OnlyWebLinksAreOpened) {
  const std::string document =
      "<rss><channel>"
      "<item><title>plain</title><link>http://example.org/a</link></item>"
      "<item><title>secure, upper case</title><link>HTTPS://example.org/b</link></item>"
      "<item><title>blanks around</title><link>\n   http://example.org/c \n</link></item>"
      "<item><title>program</title><link>file:///usr/bin/xterm</link></item>"
      "<item><title>local path</title><link>/usr/bin/xterm</link></item>"
      "<item><title>script</title><link>javascript:alert(1)</link></item>"
      "<item><title>scheme lookalike</title><link>http:/example.org/d</link></item>"
      "<item><title>empty</title><link> </link></item>"
      "</channel></rss>";
  LoopbackServer server(WebServer({{"/feed.xml", WebPage{document}}}), 5);
  AddSite("Site", WebUrl(server, "/feed.xml"));
  Form.actUpdateExecute();
  struct Row {
    int node;
    std::string opened;
    std::string logged;  // "" = nothing
  };
  const Row rows[] = {
      {2, "http://example.org/a", ""},
      {3, "HTTPS://example.org/b", ""},
      {4, "http://example.org/c", ""},
      {5, "", "Not opening link: file:///usr/bin/xterm"},
      {6, "", "Not opening link: /usr/bin/xterm"},
      {7, "", "Not opening link: javascript:alert(1)"},
      {8, "", "Not opening link: http:/example.org/d"},
      {9, "", "No link for this item"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(View.Tree.Node(r.node).Text());
    const Strings before = Log();
    EXPECT_EQ(DoubleClick(r.node), r.opened);
    Strings expected = before;
    if (!r.logged.empty()) expected.push_back(r.logged);
    EXPECT_EQ(Log(), expected);
  }
  EXPECT_EQ(WindowSystem.ShellOpens.back().Verb, "");  // the default verb
  // The shell's failure to open a web link is not reported.
  WindowSystem.ShellFailure = "No application is associated with http://example.org/a";
  const Strings before = Log();
  EXPECT_NO_THROW(DoubleClick(2));
  EXPECT_EQ(Log(), before);
}

TEST_F(FeedsTest, AtomEntriesLinkRelativeToTheSiteAndEntriesWithoutLinksSaySo) {
  const std::string atom =
      "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>F</title>"
      "<entry><title type=\"html\">&lt;b&gt;One&lt;/b&gt;</title><link href=\"posts/1\"/></entry>"
      "<entry><title>Two</title><link rel=\"enclosure\" href=\"two.mp3\"/></entry></feed>";
  LoopbackServer server(WebServer({{"/blog/atom.xml", WebPage{atom, "200 OK", "me:pw"}}}), 5);
  AddSite("Blog", WebUrl(server, "/blog/atom.xml", "me:pw"));
  Form.actUpdateExecute();
  EXPECT_EQ(Tree(), (Strings{"Gossip", " Blog", "  One", "  Two"}));
  EXPECT_EQ(DoubleClick(2), WebUrl(server, "/blog/posts/1"));
  EXPECT_EQ(DoubleClick(3), "");
  EXPECT_EQ(Log().back(), "No link for this item");
}

TEST_F(FeedsTest, ARefusedLoginIsAFailingSite) {
  LoopbackServer server(WebServer({{"/private.xml", WebPage{Rss("p", {"A"}), "200 OK", "me:pw"}},
                                   {"/open.xml", WebPage{Rss("o", {})}}}),
                        5);
  AddSite("Wrong", WebUrl(server, "/private.xml", "me:guess"));
  AddSite("None", WebUrl(server, "/private.xml"));
  AddSite("Open", WebUrl(server, "/open.xml"));
  Form.actUpdateExecute();
  EXPECT_EQ(Tree(), (Strings{"Gossip", " Open", "  o"}));
  EXPECT_EQ(Log(), (Strings{"Connecting to Wrong", "Error in FTP process - 401 Unauthorized",
                            "Connecting to None", "Error in FTP process - 401 Unauthorized",
                            "Connecting to Open", "Completed Open", "Done"}));
  EXPECT_EQ(RequestCount(server.Received()), 2 + 1 + 1);
}

TEST_F(FeedsTest, NoSecondUpdateWhileOneIsWaiting) {
  LoopbackServer server(WebServer({{"/feed.xml", WebPage{Rss("c", {"A"})}}}), 5);
  AddSite("Site", WebUrl(server, "/feed.xml"));
  // While the body is read, the window's event pump runs another "Update" and a double-click
  // on the root answered with Yes.
  int nested = 0;
  Form.netHTTP->OnWorkBegin = [&](TComponent&, TWorkMode, int) {
    ++nested;
    Form.actUpdateExecute();
    EXPECT_EQ(View.Status.SimpleText(),
              "Busy: the server is still answering the previous command. Please wait ...");
    WindowSystem.MessageBoxResults = {ui::idYes};
    View.Tree.Select(&View.Tree.Node(0));
    Form.tvListDblClick();
  };
  Form.actUpdateExecute();
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(Tree(), (Strings{"Gossip", " Site", "  c", "  A"}));
  EXPECT_EQ(Log(), (Strings{"Connecting to Site", "Completed Site", "Done"}));
  EXPECT_EQ(RequestCount(server.Received()), 1);
}

TEST_F(FeedsTest, ClosingTheWindowDuringAnUpdateFetchesNoFurtherSite) {
  LoopbackServer server(WebServer({{"/feed.xml", WebPage{Rss("c", {"A"})}}}), 5);
  AddSite("First", WebUrl(server, "/feed.xml"));
  AddSite("Second", WebUrl(server, "/feed.xml"));
  Form.netHTTP->OnWorkBegin = [&](TComponent&, TWorkMode, int) { Form.FormClose(); };
  Form.actUpdateExecute();
  EXPECT_EQ(RequestCount(server.Received()), 1);
  EXPECT_EQ(Log(), (Strings{"Connecting to First", "Completed First", "Done"}));
}

}  // namespace
}  // namespace qp::app
