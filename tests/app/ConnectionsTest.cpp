#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/Main.h"
#include "base/Streams.h"
#include "dialogs/Options.h"
#include "dialogs/Subscribe.h"
#include "store/Database.h"
#include "store/Table.h"
#include "support/FakeWindowSystem.h"
#include "support/LoopbackServer.h"
#include "support/NewsDatabase.h"
#include "support/NewsServer.h"
#include "support/SocksScript.h"
#include "support/TLSPeer.h"
#include "support/TempDir.h"

namespace qp::app {
namespace {

namespace fs = std::filesystem;
using test::LoopbackServer;
using test::PeerSession;

LoopbackServer::Handler HttpServer() {
  return [](PeerSession& s) {
    while (!s.ReadLine().empty()) {
    }
    s.Send("HTTP/1.1 200 OK\r\nContent-Length: 4\r\nConnection: close\r\n\r\nfeed");
    s.Close();
  };
}

const char* const kList = "215 list\r\nalt.proxied 3 1 y\r\n.\r\n";

// The main window over fakes, with the options dialog on a settings file in a temporary
// folder and one server row "Local".
class ConnectionsTest : public ::testing::Test {
 protected:
  ConnectionsTest() : Form(WindowSystem, View), Options(OptionsView, Dir.File("quillpost.INI")) {
    Subs = std::make_unique<dialogs::TdlgSubs>(SubsView);
    Form.DataFolder = Dir.File("data/");
    Form.TempFolder = Dir.File("temp/");
    Form.dlgSubs = Subs.get();
    Form.dlgOptions = &Options;
    Form.FormCreate();
  }
  ~ConnectionsTest() override {
    Form.FormClose();
    Form.FormDestroy();
    Subs.reset();
  }

  void SetServer(int port, const std::string& address = "127.0.0.1") {
    store::TTable servers;
    servers.DatabaseName = "News";
    servers.TableName = "Servers.DAT";
    servers.Open();
    if (servers.First()) {
      servers.Edit();
    } else {
      servers.Insert();
      servers.FieldByName("Name").SetAsString("Local");
    }
    servers.FieldByName("Address").SetAsString(address);
    servers.FieldByName("Port").SetAsInteger(port);
    servers.Post();
    Form.BuildServerMenu();
  }
  // Chooses "Local"; a server without subscriptions lists all its groups for the dialog.
  void ChooseServer() { View.Servers.Items(4).Click(); }

  // Shows the options as the "Options" command does; the user types the proxy and closes
  // the dialog with result.
  void SetOptions(bool useSocks, int proxyPort, int result) {
    OptionsView.OnShow = [=, this] {
      if (OptionsView.Socks.Checked() != useSocks) OptionsView.Socks.Click();
      OptionsView.Version.Choose(2);  // SOCKS 5.0
      OptionsView.Host.Type("127.0.0.1");
      OptionsView.Port.Type(std::to_string(proxyPort));
      return result;
    };
    Form.actOptionExecute();
  }

  std::string Fetch(const LoopbackServer& server) {
    TMemoryStream body;
    Form.netHTTP->Get("http://127.0.0.1:" + std::to_string(server.Port()) + "/feed", body);
    Form.netHTTP->Disconnect();
    return body.DataString();
  }

  test::TempDir Dir;
  test::ScopedNewsDatabase Database{Dir.File("data/")};
  test::FakeWindowSystem WindowSystem;
  test::FakeMainView View;
  test::FakeSubsView SubsView;
  test::FakeOptionsView OptionsView;
  std::unique_ptr<dialogs::TdlgSubs> Subs;
  TfrmMain Form;
  dialogs::TdlgOptions Options;
};

TEST_F(ConnectionsTest, OkWithSocksSendsUsenetAndFeedsThroughTheProxy) {
  LoopbackServer news(test::NewsServer({{"List", kList}}));
  std::string newsTarget, feedTarget;
  LoopbackServer newsProxy(test::Socks5Granting(newsTarget, test::NewsServer({{"List", kList}})));
  SetServer(news.Port());
  SetOptions(true, newsProxy.Port(), ui::idOK);
  ChooseServer();
  EXPECT_EQ(SubsView.Groups.Captions(), (std::vector<std::string>{"alt.proxied"}));
  Form.FormClose();
  newsProxy.Join();
  EXPECT_EQ(newsTarget, "127.0.0.1:" + std::to_string(news.Port()));
  EXPECT_EQ(news.Accepted(), 0) << "the server was reached through the proxy only";
  const std::string connecting =
      "Connecting to 127.0.0.1:" + std::to_string(news.Port()) +
      " through SOCKS 5 proxy 127.0.0.1:" + std::to_string(newsProxy.Port()) + ".";
  EXPECT_NE(std::find(View.Status.History.begin(), View.Status.History.end(), connecting),
            View.Status.History.end())
      << "the status bar names the server and the proxy";

  LoopbackServer feed(HttpServer());
  LoopbackServer feedProxy(test::Socks5Granting(feedTarget, HttpServer()));
  SetOptions(true, feedProxy.Port(), ui::idOK);
  EXPECT_EQ(Fetch(feed), "feed");
  EXPECT_EQ(feedTarget, "127.0.0.1:" + std::to_string(feed.Port()));
  EXPECT_EQ(feed.Accepted(), 0);
}

TEST_F(ConnectionsTest, WithoutSocksOrAfterCancelTheConnectionsGoDirect) {
  LoopbackServer news(test::NewsServer({{"List", kList}}));
  LoopbackServer feed(HttpServer(), 2);
  LoopbackServer unusedProxy([](PeerSession&) {});
  SetServer(news.Port());
  SetOptions(true, unusedProxy.Port(), ui::idOK);
  SetOptions(false, unusedProxy.Port(), ui::idOK);
  ChooseServer();
  EXPECT_EQ(SubsView.Groups.Captions(), (std::vector<std::string>{"alt.proxied"}));
  Form.FormClose();
  EXPECT_EQ(Fetch(feed), "feed");
  SetOptions(true, unusedProxy.Port(), ui::idCancel);
  EXPECT_EQ(Fetch(feed), "feed");
  EXPECT_EQ(unusedProxy.Accepted(), 0);
  EXPECT_EQ(news.Accepted(), 1);
}

TEST_F(ConnectionsTest, AnNntpsServerRowIsReadOverTLS) {
  LoopbackServer news(test::NewsServer({{"List", kList}}));
  test::TestPKI pki(Dir.Path());
  test::TLSFront front(pki.Issue("news", "DNS:localhost"), news.Port());
  Form.netNews->CAFile = pki.CAFile();
  SetServer(119, "nntps://localhost:" + std::to_string(front.Port()));
  ChooseServer();
  EXPECT_EQ(SubsView.Groups.Captions(), (std::vector<std::string>{"alt.proxied"}));
  EXPECT_TRUE(View.Log.Lines().Lines().empty());
  Form.FormClose();
  news.Join();
  EXPECT_EQ(news.Received(), "mode reader\r\nList\r\nQuit\r\n");
}

TEST_F(ConnectionsTest, AFeedThatMovedIsFetchedAndTheMoveLogged) {
  std::string location;
  LoopbackServer site([&location](PeerSession& s) {
    while (!s.ReadLine().empty()) {
    }
    s.Send("HTTP/1.1 301 Moved Permanently\r\nLocation: " + location +
           "\r\nContent-Length: 0\r\n\r\n");
    while (!s.ReadLine().empty()) {
    }
    s.Send("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nfeed");
  });
  location = "/rss/new.xml";
  EXPECT_EQ(Fetch(site), "feed");
  EXPECT_EQ(View.Log.Lines().Lines(),
            (std::vector<std::string>{"Moved to http://127.0.0.1:" + std::to_string(site.Port()) +
                                      "/rss/new.xml"}));
}

}  // namespace
}  // namespace qp::app
