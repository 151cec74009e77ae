// The main window of the reader: start-up and shutdown, the commands, the scratch folder for
// opened attachments, progress texts and the log of caught network failures.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ArticleView.h"
#include "app/MainView.h"
#include "base/Component.h"
#include "base/DateTime.h"
#include "base/FileSystem.h"
#include "feed/NewsCollection.h"
#include "feed/XMLDocument.h"
#include "http/HTTP.h"
#include "message/Message.h"
#include "net/AntiFreeze.h"
#include "net/ErrorLine.h"
#include "nntp/NNTP.h"
#include "ui/WindowSystem.h"

namespace qp::store {
class TTable;
}
namespace qp::dialogs {
class TdlgOptions;
class TdlgSites;
class TdlgSubs;
}  // namespace qp::dialogs

namespace qp::app {

class TfrmMain;

// A command of the main window as menus and the toolbar show it. ImageIndex -1 = no image.
struct TActionInfo {
  const char* Name;
  const char* Caption;
  const char* Category;
  const char* Hint;
  int ImageIndex;
  void (TfrmMain::*Execute)();
};

// A menu of the main menu bar; Actions holds action names, "-" for a separator.
struct TMenuInfo {
  const char* Caption;
  std::vector<const char*> Actions;
};

// Images of the window's 20 x 20 image list.
enum TMainImage { imgExit = 0, imgUpdate = 1, imgServers = 2, imgAttachment = 3 };

// The line ReportError writes for a failure with the given message.
using net::ReportErrorText;
// The article count of a group as the group lists show it: high - low + 1 in decimal, or
// "None" for an empty group (high below low, or no article numbered at all: 0 0).
std::string GroupCountText(uint64_t low, uint64_t high);
// The main window's title: "Quillpost", then the connected server's name and the group
// whose headers are shown, each after " - " when not empty.
std::string MainCaption(const std::string& server, const std::string& group);
// The date part of value in the system's short date format (the C library's "%x" of the
// locale the window system set up).
std::string ShortDateText(TDateTime value);

// The logic of the main window. Created by the start routine before the News database is
// connected, with the controls the window layer built; lives for the whole run. Every
// handler runs on the message-loop thread; a handler's failure reaches the top-level error
// report through the window layer's slot wrapper.
class TfrmMain {
 public:
  TfrmMain(ui::IWindowSystem& windowSystem, IMainView& view);
  ~TfrmMain();
  TfrmMain(const TfrmMain&) = delete;
  TfrmMain& operator=(const TfrmMain&) = delete;

  // The folder holding "Sites.DAT" and "Servers.DAT".
  std::string DataFolder = ExecutableFolder();
  // The folder in which the scratch folder is made: a new folder "qptmpXXXXXX" readable by
  // this user only, one per window, removed with everything in it at the end.
  std::string TempFolder = GetTempFolder();

  ui::IWindowSystem& WindowSystem;
  ui::ITree& tvList;
  ui::IListView& lvGroups;
  ui::IListView& lvMsgs;
  ui::IListView& lvAtt;
  ui::IMemo& memMsg;
  ui::IMemo& memLog;
  ui::IStatusBar& barStat;
  ui::IMenu& mnuServers;
  ui::ISaveDialog& dlgSave;

  // Dialogs owned by the start routine; nullptr until it created them.
  ui::IForm* dlgAbout = nullptr;
  dialogs::TdlgSites* dlgSites = nullptr;
  dialogs::TdlgSubs* dlgSubs = nullptr;
  dialogs::TdlgOptions* dlgOptions = nullptr;

  // The NNTP client for every server (a read waits at most 120000 ms, the connect limit),
  // the article last retrieved, and the anti-freeze that keeps the window alive during waits.
  std::unique_ptr<nntp::TNNTP> netNews;
  // The HTTP client of the feed update: reads wait without limit, cookies are kept for the
  // run, redirects are followed (at most RedirectMaximum, each move logged "Moved to " and
  // the new URL), a login request is answered with the credentials written in the site's URL;
  // no progress events are handled.
  std::unique_ptr<http::THTTP> netHTTP;
  // The document each fetched feed is loaded into.
  std::unique_ptr<feed::TXMLDocument> xmlDoc = std::make_unique<feed::TXMLDocument>();
  std::unique_ptr<message::TMessage> netMsg;
  std::unique_ptr<net::TAntiFreeze> AntiFreeze1;

  // The root node of the feed tree; set whenever the root is created.
  ui::ITreeNode* RootNode = nullptr;

  static const std::vector<TActionInfo>& Actions();
  static const TActionInfo* FindAction(const std::string& name);
  static const std::vector<TMenuInfo>& MainMenu();
  // The toolbar's buttons, by action name.
  static const std::vector<const char*>& ToolbarActions();

  // Window creation: runs FormCreate and hands a failure to the top-level error report, so
  // the remaining creation steps are skipped and the window still opens.
  void Create();
  void FormCreate();
  void FormClose();
  void FormDestroy();
  void BuildServerMenu();
  // BuildServerMenu again, keeping the checked server checked when a server of that name
  // is still there.
  void RebuildServerMenu();

  // Hands the options dialog's "Firewall" settings to netNews and netHTTP: with "Use SOCKS
  // Proxy" their next connections go through the proxy, without it straight to the server.
  // Run at start and whenever "OK" closes the dialog; nothing without the dialog.
  void ApplyFirewallSettings();

  // Appends the line for a caught failure to memLog.
  void ReportError(const std::exception& E);

  void actExitExecute();
  void actOptionExecute();
  void actAboutExecute();
  void actUpdateExecute();
  void actServersExecute();
  void actDisconnectExecute();
  void actSubsExecute();

  void netNewsStatus(TComponent& ASender, TStatus AStatus, const std::string& AStatusText);
  void netNewsWorkBegin(TComponent& Sender, TWorkMode AWorkMode, int AWorkCountMax);
  void netNewsWork(TComponent& Sender, TWorkMode AWorkMode, int AWorkCount);
  void netNewsWorkEnd(TComponent& Sender, TWorkMode AWorkMode);
  void netNewsDisconnected();

  void ServerMenuClick(ui::IMenuItem& item);
  void ShowSubscriptions();
  void LoadGroupList();
  // Double-click on the feed tree: the root asks whether to update, an item opens its link
  // when it is a web link.
  void tvListDblClick();
  void lvGroupsDblClick();
  void lvMsgsDblClick();
  void mnuOpenClick();
  void mnuSaveClick();
  void lvAttDblClick();
  // "Show raw headers" in the article view's pop-up menu: switches ShowRawHeaders and shows
  // the current article's header lines that way.
  void mnuRawHeadersClick();

  // The article view shows the header lines exactly as sent instead of decoded, one per
  // field. Off at start.
  bool ShowRawHeaders = false;

  const std::string& GetScratchFolder() const { return ScratchFolder; }
  // The height of the right pane, the position at which lvAtt sits below memMsg.
  int RightPaneHeight() const { return FView.RightPaneHeight(); }
  bool ActiveSitesOpen() const;

 private:
  // The host name of the NNTP client, shown in the work texts.
  std::string NewsHost() const;
  // Shows in lvSubs and lvGroups exactly the groups stored for the dialog's server, each
  // once, keeping the count text a list showed for it.
  void ShowStoredSubscriptions();
  // The window's title for the connected server and the group shown.
  void UpdateCaption();
  // Fills memMsg and lvAtt from netMsg.
  void ShowArticle();
  // Empties memMsg and lvAtt and hides lvAtt: no article is shown.
  void ClearArticle();

  // One network command at a time: the anti-freeze lets the window run handlers while a
  // command waits, and a second command on the same connection would interleave its lines
  // with the pending exchange. A handler entered while another waits is turned away with a
  // status text; only "Disconnect" acts, by closing the connection under the waiting command.
  class TNetworkCommand {
   public:
    explicit TNetworkCommand(TfrmMain& form);
    ~TNetworkCommand();
    TNetworkCommand(const TNetworkCommand&) = delete;
    TNetworkCommand& operator=(const TNetworkCommand&) = delete;
    bool Entered() const { return FEntered; }

   private:
    TfrmMain& FForm;
    bool FEntered = false;
    int FUncaught = 0;
  };

  // Closes the connection under the command that waits on it; that command then ends as
  // cancelled (EndCancelledCommand) instead of failing.
  void CancelWaitingCommand();
  // After the cancelled command's failure: logs "Cancelled: " and the command and sets the
  // status bar to "Ready". False when no command was cancelled.
  bool EndCancelledCommand();

  IMainView& FView;
  bool FNetworkBusy = false;
  // Site Management closed while a network command waited: the server menu is rebuilt when
  // that command ends, since the command may still use the item that started it.
  bool FServerMenuOutdated = false;
  // The NNTP command that was waiting when "Disconnect" closed the connection under it,
  // until the handler that sent it has ended.
  std::optional<std::string> FCancelledCommand;

  // The rows of lvAtt as the article view made them, and whether memMsg shows netMsg.
  std::vector<TArticleAttachment> FArticleAttachments;
  bool FArticleShown = false;

  std::unique_ptr<feed::TNewsCollection> FeedItems;
  std::unique_ptr<store::TTable> ActiveSites;
  std::string ServerAddress;
  std::string ServerLogin;
  std::string ServerPassword;
  std::string ScratchFolder;
  bool ServerAuthenticate = false;
  int32_t ServerPort = 0;
  // The name of the connected server and the group whose headers are shown, for the title.
  std::string FConnectedServer;
  std::string FShownGroup;
};

}  // namespace qp::app
