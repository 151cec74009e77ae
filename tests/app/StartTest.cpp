#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/Start.h"
#include "dialogs/Options.h"
#include "support/FakeWindowSystem.h"
#include "support/ScopedUmask.h"
#include "support/TempDir.h"

namespace qp::app {
namespace {

namespace fs = std::filesystem;

// A main view that reports its Show calls to a counter that outlives it.
class CountingView : public test::FakeMainView {
 public:
  explicit CountingView(int& shows) : FShows(shows) {}
  void Show() override { ++FShows; }

 private:
  int& FShows;
};

// Hands out fake windows and records the order in which the start routine asked for them.
class FakeFormFactory : public IFormFactory {
 public:
  std::unique_ptr<IMainView> CreateMainView() override {
    Calls.push_back("CreateMainView");
    auto view = std::make_unique<CountingView>(Shows);
    View = view.get();
    return view;
  }
  void BindMainWindow(IMainView& view, TfrmMain& form) override {
    (void)view;
    Calls.push_back("BindMainWindow");
    Form = &form;
  }
  std::unique_ptr<ui::IForm> CreateAboutBox() override {
    // The main window's creation steps have run by now.
    Calls.push_back(View->Tree.Count() == 1 ? "CreateAboutBox after FormCreate" : "CreateAboutBox");
    return std::make_unique<test::FakeForm>();
  }
  std::unique_ptr<dialogs::ISitesView> CreateSitesForm() override {
    Calls.push_back("CreateSitesForm");
    auto form = std::make_unique<test::FakeSitesView>();
    Sites = form.get();
    return form;
  }
  void BindSitesDialog(dialogs::ISitesView& form, dialogs::TdlgSites& dialog) override {
    (void)form;
    (void)dialog;
    Calls.push_back("BindSitesDialog");
  }
  std::unique_ptr<dialogs::ISubsView> CreateSubscriptionForm() override {
    Calls.push_back("CreateSubscriptionForm");
    return std::make_unique<test::FakeSubsView>();
  }
  void BindSubscriptionDialog(dialogs::ISubsView& form, dialogs::TdlgSubs& dialog) override {
    (void)form;
    Calls.push_back("BindSubscriptionDialog");
    Subs = &dialog;
  }
  std::unique_ptr<dialogs::IOptionsView> CreateOptionsForm() override {
    Calls.push_back("CreateOptionsForm");
    auto form = std::make_unique<test::FakeOptionsView>();
    Options = form.get();
    return form;
  }

  std::vector<std::string> Calls;
  test::FakeMainView* View = nullptr;  // valid while RunProgram runs
  TfrmMain* Form = nullptr;
  dialogs::TdlgSubs* Subs = nullptr;         // valid while RunProgram runs
  test::FakeSitesView* Sites = nullptr;      // valid while RunProgram runs
  test::FakeOptionsView* Options = nullptr;  // valid while RunProgram runs
  int Shows = 0;
};

struct StartFixture {
  StartFixture() {
    folders.DataFolder = dir.File("data/");
    folders.TempFolder = dir.File("temp/");
    folders.SettingsFolder = dir.File("settings/");
    fs::create_directories(folders.DataFolder);
  }
  test::TempDir dir;
  TStartFolders folders;
  test::FakeWindowSystem windowSystem;
  FakeFormFactory forms;
};

TEST(RunProgram, CreatesTheWindowsInOrderRunsTheLoopAndCleansUp) {
  StartFixture f;
  std::vector<std::string> scratchDuringRun;
  f.windowSystem.App.OnRun = [&] {
    scratchDuringRun = test::EntriesStartingWith(f.folders.TempFolder, "qptmp");
  };
  EXPECT_EQ(RunProgram(f.windowSystem, f.forms, f.folders), 0);
  EXPECT_EQ(f.windowSystem.App.Title(), "Quillpost");
  EXPECT_EQ(f.forms.Calls,
            (std::vector<std::string>{"CreateMainView", "BindMainWindow",
                                      "CreateAboutBox after FormCreate", "CreateSitesForm",
                                      "BindSitesDialog", "CreateSubscriptionForm",
                                      "BindSubscriptionDialog", "CreateOptionsForm"}));
  EXPECT_EQ(f.windowSystem.App.RunCount, 1);
  EXPECT_EQ(f.forms.Shows, 1);
  EXPECT_TRUE(f.windowSystem.MessageBoxes.empty());
  ASSERT_EQ(scratchDuringRun.size(), 1u);
  EXPECT_TRUE(test::EntriesStartingWith(f.folders.TempFolder, "qptmp").empty());
  EXPECT_TRUE(fs::exists(f.folders.DataFolder + "Subscriptions.DAT"));
}

TEST(RunProgram, TheOptionsDialogReadsTheSettingsFileOfItsFolder) {
  StartFixture f;
  fs::create_directories(f.folders.SettingsFolder);
  std::ofstream(f.folders.SettingsFolder + ExecutableName() + ".INI")
      << "[Firewall]\nSocks=1\nVersion=SOCKS 5.0\nHost=proxy.lan\nPort=1080\n";
  bool socksWhileRunning = false;
  bool sitesOpenWhileRunning = false;
  std::vector<std::string> clientProxies;
  f.windowSystem.App.OnRun = [&] {
    socksWhileRunning = f.forms.Options->Socks.Checked();
    for (net::TTCPClient* client : {static_cast<net::TTCPClient*>(f.forms.Form->netNews.get()),
                                    static_cast<net::TTCPClient*>(f.forms.Form->netHTTP.get())}) {
      const net::TSocksInfo& socks = client->SocksInfo();
      clientProxies.push_back(std::string(net::TSocksInfo::VersionName(socks.Version)) + " " +
                              socks.Host + ":" + std::to_string(socks.Port));
    }
    sitesOpenWhileRunning =
        f.forms.Sites->Port.MaxLength == 0 && f.forms.Sites->URL.MaxLength == 250;
  };
  EXPECT_EQ(RunProgram(f.windowSystem, f.forms, f.folders), 0);
  EXPECT_TRUE(socksWhileRunning);
  EXPECT_EQ(clientProxies, (std::vector<std::string>(2, "SOCKS 5 proxy.lan:1080")))
      << "both clients take the settings at start";
  EXPECT_TRUE(sitesOpenWhileRunning) << "the site dialog's tables are open during the run";
}

TEST(RunProgram, DatabaseFailureIsShownAndEndsTheProgram) {
  StartFixture f;
  std::ofstream(f.folders.DataFolder + "Subscriptions.DAT") << std::string(4096, 'x');
  EXPECT_NE(RunProgram(f.windowSystem, f.forms, f.folders), 0);
  EXPECT_EQ(f.windowSystem.App.RunCount, 0);
  EXPECT_EQ(f.forms.Shows, 0);
  ASSERT_EQ(f.windowSystem.MessageBoxes.size(), 1u);
  EXPECT_EQ(f.windowSystem.MessageBoxes[0].Caption, "Quillpost");
  EXPECT_TRUE(test::EntriesStartingWith(f.folders.TempFolder, "qptmp").empty());
}

// The tables hold the servers' passwords and the settings file the proxy's: both are the
// user's alone, also under the usual umask of 022, and so is the scratch folder.
TEST(RunProgram, FilesHoldingPasswordsAreReadableByTheUserOnly) {
  const test::ScopedUmask umask(022);
  StartFixture f;
  fs::create_directories(f.folders.SettingsFolder);
  int scratchMode = -1;
  f.windowSystem.App.OnRun = [&] {
    const std::vector<std::string> scratch =
        test::EntriesStartingWith(f.folders.TempFolder, "qptmp");
    if (scratch.size() == 1) scratchMode = test::PermissionBits(scratch[0]);
    dialogs::TFirewallSettings settings;
    settings.Password = "proxy secret";
    dialogs::WriteFirewallSettings(f.folders.SettingsFolder + "quillpost.INI", settings);
  };
  EXPECT_EQ(RunProgram(f.windowSystem, f.forms, f.folders), 0);
  EXPECT_EQ(scratchMode, 0700);
  for (const char* file : {"Sites.DAT", "Servers.DAT", "Subscriptions.DAT"}) {
    SCOPED_TRACE(file);
    EXPECT_EQ(test::PermissionBits(f.folders.DataFolder + file), 0600);
  }
  EXPECT_EQ(test::PermissionBits(f.folders.SettingsFolder + "quillpost.INI"), 0600);
}

// Where the tables and the settings file live: beside the executable for a portable copy,
// which has "Sites.DAT" there already, otherwise in the user's data folder.
TEST(ChooseStartFolders, PortableCopyOrTheUsersDataFolder) {
  struct Row {
    const char* name;
    bool sitesBesideExecutable;
    std::string userFolder;  // relative to the test folder; "" for none
    std::string expected;    // relative to the test folder
  };
  const Row rows[] = {
      {"portable copy", true, "home/.local/share/Quillpost", "exe/"},
      {"installed: the user's folder, made with its parents", false, "home/.local/share/Quillpost",
       "home/.local/share/Quillpost/"},
      {"the user's folder given with its separator", false, "home/data/", "home/data/"},
      {"no user folder known", false, "", "exe/"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const test::ScopedUmask umask(022);
    test::TempDir dir;
    fs::create_directories(dir.File("exe"));
    if (r.sitesBesideExecutable) std::ofstream(dir.File("exe/Sites.DAT"));
    const std::string user = r.userFolder.empty() ? "" : dir.File(r.userFolder);
    const TStartFolders folders = ChooseStartFolders(dir.File("exe"), user);
    EXPECT_EQ(folders.DataFolder, dir.File(r.expected));
    EXPECT_EQ(folders.SettingsFolder, folders.DataFolder) << "the settings file follows the data";
    EXPECT_EQ(folders.TempFolder, GetTempFolder());
    EXPECT_TRUE(fs::is_directory(folders.DataFolder));
    if (!r.sitesBesideExecutable && !r.userFolder.empty()) {
      EXPECT_EQ(test::PermissionBits(folders.DataFolder), 0700);
      EXPECT_FALSE(fs::exists(dir.File("exe/Sites.DAT")));
    }
  }
}

}  // namespace
}  // namespace qp::app
