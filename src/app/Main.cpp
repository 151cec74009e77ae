#include "app/Main.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/SysUtils.h"
#include "dialogs/Options.h"
#include "dialogs/Sites.h"
#include "feed/FeedFetch.h"
#include "net/IOHandlerSocket.h"
#include "store/Table.h"
#include "ui/ErrorReport.h"

namespace qp::app {

namespace fs = std::filesystem;

namespace {

const char* const kScratchPrefix = "qptmp";
// The "&Servers" menu starts with Disconnect, Server Management, Subscribe and a separator.
constexpr int kFixedServerItems = 4;
constexpr int kServerGroupIndex = 1;

// A new folder "qptmpXXXXXX" in tempFolder (created with its parents when missing), readable
// by this user only, with a trailing "/". Its name is unique, so another user cannot have
// made it first and swap a file in it, and two running copies never share one (mkdtemp).
// Throws Exception when it cannot be made.
std::string MakeScratchFolder(const std::string& tempFolder) {
  std::error_code ignored;
  fs::create_directories(tempFolder, ignored);
  std::string pattern = tempFolder + kScratchPrefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) == nullptr) {
    const int error = errno;
    throw Exception(
        Format("Unable to create directory %s: %s", pattern.c_str(), std::strerror(error)));
  }
  return std::string(name.data()) + "/";
}

// The dialog's SOCKS settings in the shape of a client's.
void CopySocksSettings(const dialogs::TSocksSettings& settings, net::TSocksInfo& socks) {
  static constexpr net::TSocksVersion kVersions[] = {net::svSocks4, net::svSocks4A, net::svSocks5};
  socks.Version =
      settings.UseSocks ? kVersions[static_cast<int>(settings.Version)] : net::svNoSocks;
  socks.Host = settings.Host;
  socks.Port = settings.Port;
  socks.Authentication = settings.Authenticate ? net::saUsernamePassword : net::saNoAuthentication;
  socks.Username = settings.Username;
  socks.Password = settings.Password;
}

}  // namespace

TfrmMain::TfrmMain(ui::IWindowSystem& windowSystem, IMainView& view)
    : WindowSystem(windowSystem),
      tvList(view.tvList()),
      lvGroups(view.lvGroups()),
      lvMsgs(view.lvMsgs()),
      lvAtt(view.lvAtt()),
      memMsg(view.memMsg()),
      memLog(view.memLog()),
      barStat(view.barStat()),
      mnuServers(view.mnuServers()),
      dlgSave(view.dlgSave()),
      netNews(std::make_unique<nntp::TNNTP>()),
      netHTTP(std::make_unique<http::THTTP>()),
      netMsg(std::make_unique<message::TMessage>()),
      AntiFreeze1(std::make_unique<net::TAntiFreeze>()),
      FView(view) {
  // No wait without end: a server that stops answering fails the command after as long as
  // a connect may take.
  netNews->ReadTimeout = net::TIOHandlerSocket::kDefaultConnectTimeout;
  netNews->NewsAgent = "Quillpost";
  netNews->OnStatus = [this](TComponent& sender, TStatus status, const std::string& text) {
    netNewsStatus(sender, status, text);
  };
  netNews->OnWorkBegin = [this](TComponent& sender, TWorkMode mode, int max) {
    netNewsWorkBegin(sender, mode, max);
  };
  netNews->OnWork = [this](TComponent& sender, TWorkMode mode, int count) {
    netNewsWork(sender, mode, count);
  };
  netNews->OnWorkEnd = [this](TComponent& sender, TWorkMode mode) { netNewsWorkEnd(sender, mode); };
  netNews->OnDisconnected = [this](TComponent&) { netNewsDisconnected(); };
  feed::PrepareFeedClient(*netHTTP);
  // Feeds move, often from http:// to https://: the new place is fetched and the move logged.
  netHTTP->OnRedirect = [this](http::THTTP&, std::string& dest, int&, bool&, http::THTTPMethod&) {
    memLog.Add("Moved to " + dest);
  };
}

TfrmMain::~TfrmMain() = default;

const std::vector<TActionInfo>& TfrmMain::Actions() {
  static const std::vector<TActionInfo> actions = {
      {"actExit", "E&xit", "File", "Exit from Quillpost", imgExit, &TfrmMain::actExitExecute},
      {"actOption", "&Options", "Tools", "Quillpost configuration options", -1,
       &TfrmMain::actOptionExecute},
      {"actAbout", "&About", "Help", "", -1, &TfrmMain::actAboutExecute},
      {"actUpdate", "Update", "News", "Update the news from active backend servers", imgUpdate,
       &TfrmMain::actUpdateExecute},
      {"actServers", "Server Management ...", "Servers",
       "Manage backend newsfeed and usenet news servers", imgServers, &TfrmMain::actServersExecute},
      {"actDisconnect", "Disconnect", "Servers", "", -1, &TfrmMain::actDisconnectExecute},
      {"actSubs", "Subscribe/Unsubscribe ...", "Servers", "", -1, &TfrmMain::actSubsExecute},
  };
  return actions;
}

const TActionInfo* TfrmMain::FindAction(const std::string& name) {
  for (const TActionInfo& action : Actions()) {
    if (name == action.Name) return &action;
  }
  return nullptr;
}

const std::vector<TMenuInfo>& TfrmMain::MainMenu() {
  static const std::vector<TMenuInfo> menus = {
      {"&File", {"actExit"}},
      {"&Tools", {"actOption"}},
      {"&Servers", {"actDisconnect", "actServers", "actSubs", "-"}},
      {"&Help", {"actAbout"}},
  };
  return menus;
}

const std::vector<const char*>& TfrmMain::ToolbarActions() {
  static const std::vector<const char*> buttons = {"actUpdate", "actServers", "actExit"};
  return buttons;
}

void TfrmMain::Create() {
  try {
    FormCreate();
  } catch (const std::exception& e) {
    ui::ShowException(WindowSystem, e.what());
  }
}

void TfrmMain::FormCreate() {
  tvList.Clear();
  RootNode = &tvList.AddRoot("Gossip");
  RootNode->Expand();

  // The window exists before News is connected, so the view names the folder directly.
  ActiveSites = std::make_unique<store::TTable>();
  ActiveSites->DatabaseName = DataFolder;
  ActiveSites->TableName = "Sites.DAT";
  ActiveSites->Filter = "Active = TRUE";
  ActiveSites->Filtered = true;
  ActiveSites->Open();
  ActiveSites->Refresh();

  FeedItems = std::make_unique<feed::TNewsCollection>();

  BuildServerMenu();

  ScratchFolder = MakeScratchFolder(TempFolder);
}

void TfrmMain::BuildServerMenu() {
  while (mnuServers.Count() > kFixedServerItems) mnuServers.Free(mnuServers.Count() - 1);

  store::TTable servers;
  servers.DatabaseName = DataFolder;
  servers.TableName = "Servers.DAT";
  servers.Open();
  for (bool row = servers.First(); row; row = servers.Next()) {
    // The caption stays exactly the server's name: a click finds the row again by it.
    std::unique_ptr<ui::IMenuItem> item =
        mnuServers.CreateItem(servers.FieldByName("Name").AsString(),
                              [this](ui::IMenuItem& sender) { ServerMenuClick(sender); });
    item->SetGroupIndex(kServerGroupIndex);
    item->SetRadioItem(true);
    mnuServers.Append(std::move(item));
  }
}

void TfrmMain::RebuildServerMenu() {
  std::string checked;
  bool anyChecked = false;
  for (int i = kFixedServerItems; i < mnuServers.Count() && !anyChecked; ++i) {
    anyChecked = mnuServers.Items(i).Checked();
    if (anyChecked) checked = mnuServers.Items(i).Caption();
  }
  BuildServerMenu();
  if (!anyChecked) return;
  for (int i = kFixedServerItems; i < mnuServers.Count(); ++i) {
    if (mnuServers.Items(i).Caption() == checked) {
      mnuServers.Items(i).SetChecked(true);
      return;
    }
  }
}

void TfrmMain::FormClose() {
  // Also while a command waits: closing the window ends the program, so the server is told.
  if (netNews->Connected()) {
    if (FNetworkBusy)
      CancelWaitingCommand();
    else
      netNews->Disconnect();
  }
  ActiveSites.reset();
}

void TfrmMain::FormDestroy() {
  // With creation stopped before the scratch folder was made there is nothing to remove; an
  // empty name must not become the current folder.
  if (ScratchFolder.empty()) return;
  // The folder is this window's own (nobody else can write into it), so all of it goes,
  // without following links.
  std::error_code ignored;
  fs::remove_all(ScratchFolder, ignored);
}

bool TfrmMain::ActiveSitesOpen() const {
  return ActiveSites != nullptr && ActiveSites->Active();
}

void TfrmMain::ReportError(const std::exception& E) {
  memLog.Add(ReportErrorText(E.what()));
}

void TfrmMain::actExitExecute() {
  WindowSystem.Application().CloseMainWindow();
}

void TfrmMain::ApplyFirewallSettings() {
  if (dlgOptions == nullptr) return;
  const dialogs::TSocksSettings settings = dlgOptions->SocksSettings();
  CopySocksSettings(settings, netNews->SocksInfo());
  CopySocksSettings(settings, netHTTP->SocksInfo());
}

void TfrmMain::actOptionExecute() {
  if (dlgOptions == nullptr) return;
  int result = ui::idCancel;
  try {
    result = dlgOptions->ShowModal();
  } catch (...) {
    // Only "OK" fails (the settings file could not be written): what the user confirmed
    // still holds for this run.
    ApplyFirewallSettings();
    throw;
  }
  if (result == ui::idOK) ApplyFirewallSettings();
}

void TfrmMain::actAboutExecute() {
  if (dlgAbout != nullptr) dlgAbout->ShowModal();
}

void TfrmMain::actServersExecute() {
  if (dlgSites == nullptr) return;
  dlgSites->ShowModal();
  // Servers added, renamed or deleted in the dialog can be chosen at once.
  if (FNetworkBusy) {
    FServerMenuOutdated = true;
  } else {
    RebuildServerMenu();
  }
}

void TfrmMain::netNewsStatus(TComponent& ASender, TStatus AStatus, const std::string& AStatusText) {
  (void)ASender;
  (void)AStatus;
  barStat.SetSimpleText(AStatusText);
}

void TfrmMain::netNewsWorkBegin(TComponent& Sender, TWorkMode AWorkMode, int AWorkCountMax) {
  (void)Sender;
  (void)AWorkMode;
  (void)AWorkCountMax;
  WindowSystem.Application().ProcessMessages();
}

void TfrmMain::netNewsWork(TComponent& Sender, TWorkMode AWorkMode, int AWorkCount) {
  (void)Sender;
  const std::string host = NewsHost();
  barStat.SetSimpleText(
      AWorkMode == WorkWrite
          ? Format("Sent %d to %s. Please wait ...", AWorkCount, host.c_str())
          : Format("Received %d from %s. Please wait ...", AWorkCount, host.c_str()));
}

void TfrmMain::netNewsWorkEnd(TComponent& Sender, TWorkMode AWorkMode) {
  (void)Sender;
  (void)AWorkMode;
  barStat.SetSimpleText("Ready");
}

}  // namespace qp::app
