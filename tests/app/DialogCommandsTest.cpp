#include <gtest/gtest.h>

#include <filesystem>

#include "app/Main.h"
#include "dialogs/Options.h"
#include "dialogs/Sites.h"
#include "dialogs/Subscribe.h"
#include "store/Database.h"
#include "support/FakeWindowSystem.h"
#include "support/LoopbackServer.h"
#include "support/NewsDatabase.h"
#include "support/NewsServer.h"
#include "support/TempDir.h"

namespace qp::app {
namespace {

namespace fs = std::filesystem;

// The main window over fakes with the site dialog on News in a temporary folder, as the
// start routine leaves them, and the servers "Alpha" and "Beta".
struct DialogFixture {
  DialogFixture() : Form(WindowSystem, View), Sites(WindowSystem, SitesView) {
    Form.DataFolder = Dir.File("data/");
    Form.TempFolder = Dir.File("temp/");
    Sites.tblSites.Open();
    Sites.tblServers.Open();
    AddServerInDialog("Alpha");
    AddServerInDialog("Beta");
    Form.Create();
    Form.dlgSites = &Sites;
  }
  ~DialogFixture() {
    Form.FormClose();
    Form.FormDestroy();
    Sites.tblServers.Close();
    Sites.tblSites.Close();
  }
  // Adds a server row as the user does: insert, type the name, post.
  void AddServerInDialog(const std::string& name) {
    Sites.navServers.BtnClick(dialogs::nbInsert);
    SitesView.ServerName.Type(name);
    Sites.navServers.BtnClick(dialogs::nbPost);
  }
  std::vector<std::string> ServerItems() const {
    std::vector<std::string> captions = View.Servers.Captions();
    return {captions.begin() + 4, captions.end()};
  }
  ui::IMenuItem& Item(const std::string& caption) {
    for (int i = 4; i < View.Servers.Count(); ++i) {
      if (View.Servers.Items(i).Caption() == caption) return View.Servers.Items(i);
    }
    throw Exception("no server item " + caption);
  }

  test::TempDir Dir;
  test::ScopedNewsDatabase Database{Dir.File("data/")};
  test::FakeWindowSystem WindowSystem;
  test::FakeMainView View;
  TfrmMain Form;
  test::FakeSitesView SitesView;
  dialogs::TdlgSites Sites;
};

TEST(ServerManagement, ServersAddedInTheDialogCanBeChosenAtOnce) {
  DialogFixture f;
  ASSERT_EQ(f.ServerItems(), (std::vector<std::string>{"Alpha", "Beta"}));
  f.Item("Beta").SetChecked(true);
  f.SitesView.OnShow = [&] {
    f.AddServerInDialog("Gamma");
    return ui::idOK;
  };
  f.Form.actServersExecute();
  EXPECT_EQ(f.SitesView.ShowCount, 1);
  EXPECT_EQ(f.ServerItems(), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
  EXPECT_TRUE(f.Item("Beta").Checked()) << "the checked server stays checked";
  EXPECT_FALSE(f.Item("Gamma").Checked());
  EXPECT_TRUE(f.Item("Gamma").RadioItem());

  // Renaming the checked server leaves no server checked.
  f.SitesView.OnShow = [&] {
    f.Sites.navServers.BtnClick(dialogs::nbPrior);
    f.SitesView.ServerName.Type("Beta 2");
    f.Sites.navServers.BtnClick(dialogs::nbPost);
    return ui::idCancel;
  };
  f.Form.actServersExecute();
  EXPECT_EQ(f.ServerItems(), (std::vector<std::string>{"Alpha", "Beta 2", "Gamma"}));
  for (int i = 4; i < f.View.Servers.Count(); ++i) EXPECT_FALSE(f.View.Servers.Items(i).Checked());
}

TEST(ServerManagement, APendingEditIsNotInTheMenu) {
  DialogFixture f;
  f.SitesView.OnShow = [&] {
    f.SitesView.ServerName.Type("Typed");
    return ui::idCancel;
  };
  f.Form.actServersExecute();
  EXPECT_EQ(f.ServerItems(), (std::vector<std::string>{"Alpha", "Beta"}));
}

TEST(ServerManagement, WhileAServerCommandWaitsTheMenuIsRebuiltWhenItEnds) {
  DialogFixture f;
  test::LoopbackServer server(test::NewsServer({{"List", "215 list\r\nalt.a 1 1 y\r\n.\r\n"}}));
  f.Sites.navServers.BtnClick(dialogs::nbFirst);
  f.SitesView.Address.Type("127.0.0.1");
  f.SitesView.Port.Type(std::to_string(server.Port()));
  f.Sites.navServers.BtnClick(dialogs::nbPost);
  test::FakeSubsView subsView;
  dialogs::TdlgSubs subs(subsView);
  f.Form.dlgSubs = &subs;
  // Alpha has no subscriptions, so choosing it waits in the subscription dialog; meanwhile
  // the user adds a server in Site Management.
  std::vector<std::string> itemsWhileWaiting;
  subsView.OnShow = [&] {
    f.SitesView.OnShow = [&] {
      f.AddServerInDialog("Gamma");
      return ui::idOK;
    };
    f.Form.actServersExecute();
    itemsWhileWaiting = f.ServerItems();
    return ui::idCancel;
  };
  f.Item("Alpha").Click();
  EXPECT_EQ(subsView.ShowCount, 1);
  EXPECT_EQ(itemsWhileWaiting, (std::vector<std::string>{"Alpha", "Beta"}))
      << "the item that started the command stays while it runs";
  EXPECT_EQ(f.ServerItems(), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
  EXPECT_TRUE(f.Item("Alpha").Checked());
  f.Form.FormClose();
  server.Join();
}

TEST(Options, TheCommandShowsTheDialog) {
  test::TempDir dir;
  test::FakeWindowSystem windowSystem;
  test::FakeMainView view;
  TfrmMain form(windowSystem, view);
  form.actOptionExecute();  // nothing to show yet
  form.actServersExecute();
  test::FakeOptionsView optionsView;
  dialogs::TdlgOptions options(optionsView, dir.File("quillpost.INI"));
  form.dlgOptions = &options;
  form.actOptionExecute();
  EXPECT_EQ(optionsView.ShowCount, 1);
}

}  // namespace
}  // namespace qp::app
