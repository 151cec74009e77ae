// The Usenet side of the main window: choosing a server, the subscription flow, loading a
// group's headers, and the article view with its attachments.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <ctime>
#include <exception>
#include <optional>
#include <vector>

#include "app/Main.h"
#include "base/Charset.h"
#include "base/SysUtils.h"
#include "dialogs/Subscribe.h"
#include "message/AttachmentName.h"
#include "message/DisplayText.h"
#include "message/MessageParts.h"
#include "nntp/ServerAddress.h"
#include "store/Query.h"
#include "store/SqlDialect.h"
#include "ui/ErrorReport.h"
#include "ui/ListUpdate.h"

namespace qp::app {

namespace {

constexpr int kFixedServerItems = 4;  // Disconnect, Server Management, Subscribe, separator

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The first row whose key is exactly key, or nullptr.
const TArticleAttachment* FindAttachment(const std::vector<TArticleAttachment>& rows,
                                         const std::string& key) {
  for (const TArticleAttachment& row : rows)
    if (row.Key == key) return &row;
  return nullptr;
}

// A group row: the name as the user reads it, the name's bytes as its key.
void SetGroupName(ui::IListItem& row, const std::string& group) {
  row.SetCaption(ToUtf8(group));
  row.SetKey(group);
}

// Sets the hourglass for as long as it lives; every way out restores the default cursor.
class THourglass {
 public:
  explicit THourglass(ui::IScreen& screen) : FScreen(screen) {
    FScreen.SetCursor(ui::TCursor::crHourGlass);
  }
  ~THourglass() { FScreen.SetCursor(ui::TCursor::crDefault); }
  THourglass(const THourglass&) = delete;
  THourglass& operator=(const THourglass&) = delete;

 private:
  ui::IScreen& FScreen;
};

}  // namespace

std::string GroupCountText(uint64_t low, uint64_t high) {
  // RFC 3977 section 6.1.1.2: an empty group has its high mark below its low mark, or
  // reports 0 for both; article numbers start at 1.
  if (high < low || high == 0) return "None";
  const uint64_t span = high - low;
  // Low 0 and high 2^64 - 1 make one more than 64 bits hold.
  return span == UINT64_MAX ? std::string("18446744073709551616") : std::to_string(span + 1);
}

std::string MainCaption(const std::string& server, const std::string& group) {
  std::string caption = "Quillpost";
  for (const std::string* part : {&server, &group}) {
    if (!part->empty()) caption += " - " + *part;
  }
  return caption;
}

std::string ShortDateText(TDateTime value) {
  int year, month, day;
  DecodeDate(value, year, month, day);
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  char text[64];
  const std::size_t n = std::strftime(text, sizeof text, "%x", &tm);
  return std::string(text, n);
}

TfrmMain::TNetworkCommand::TNetworkCommand(TfrmMain& form) : FForm(form) {
  if (FForm.FNetworkBusy) {
    FForm.barStat.SetSimpleText(
        "Busy: the server is still answering the previous command. Please wait ...");
    return;
  }
  FForm.FNetworkBusy = true;
  FEntered = true;
  FUncaught = std::uncaught_exceptions();
}

TfrmMain::TNetworkCommand::~TNetworkCommand() {
  if (!FEntered) return;
  FForm.FNetworkBusy = false;
  // A cancelled command that still ended normally (its data had all arrived) ends as
  // cancelled too; the views it filled meanwhile are emptied again.
  if (std::uncaught_exceptions() == FUncaught && FForm.FCancelledCommand) {
    try {
      FForm.netNewsDisconnected();
      FForm.EndCancelledCommand();
    } catch (...) {
      FForm.FCancelledCommand.reset();
    }
  }
  if (FForm.FServerMenuOutdated) {
    FForm.FServerMenuOutdated = false;
    ui::Guarded(FForm.WindowSystem, [this] { FForm.RebuildServerMenu(); });
  }
}

void TfrmMain::CancelWaitingCommand() {
  const std::string command = netNews->CurrentCommand();
  FCancelledCommand = command.empty() ? "connect to " + netNews->Host : command;
  netNews->Disconnect();
}

bool TfrmMain::EndCancelledCommand() {
  if (!FCancelledCommand) return false;
  memLog.Add("Cancelled: " + *FCancelledCommand);
  FCancelledCommand.reset();
  barStat.SetSimpleText("Ready");
  return true;
}

void TfrmMain::ServerMenuClick(ui::IMenuItem& item) try {
  const TNetworkCommand command(*this);
  if (!command.Entered()) return;
  const std::string caption = item.Caption();
  store::TQuery query;
  query.SetSQL("SELECT ID,Address,Port,Authenticate,Login,Password FROM Servers WHERE Name=" +
               store::QuotedStr(caption));
  query.Open();
  if (!query.First()) {
    memLog.Add("Invalid Server - " + caption);
    return;
  }
  const int32_t id = query.FieldByName("ID").AsInteger();
  ServerAddress = query.FieldByName("Address").AsString();
  ServerPort = query.FieldByName("Port").AsInteger();
  ServerLogin = query.FieldByName("Login").AsString();
  ServerPassword = query.FieldByName("Password").AsString();
  ServerAuthenticate = query.FieldByName("Authenticate").AsBoolean();
  dlgSubs->ServerID = id;

  if (netNews->Connected()) netNews->Disconnect();
  // "nntps://" in the address, or port 563, asks for TLS from the first byte.
  const nntp::TServerAddress server = nntp::ServerFromRow(ServerAddress, ServerPort);
  netNews->Host = server.Host;
  netNews->Port = server.Port;
  netNews->UseTLS = server.TLS;
  // A server that needs no login must never see another server's credentials; one that
  // does is logged in at once, as it may list some groups to logged-in readers only.
  netNews->Username = ServerAuthenticate ? ServerLogin : std::string();
  netNews->Password = ServerAuthenticate ? ServerPassword : std::string();
  netNews->LoginOnConnect = ServerAuthenticate;
  try {
    netNews->Connect();
  } catch (const std::exception& e) {
    if (FCancelledCommand) throw;
    ReportError(e);
    // The transport's last status ("Disconnected.") says nothing the log does not.
    barStat.SetSimpleText("Ready");
    return;
  }
  if (netNews->GreetingResult() > 1) return;
  FConnectedServer = caption;
  FShownGroup.clear();
  UpdateCaption();

  query.SetSQL("SELECT Group FROM Subscriptions WHERE Server=" + std::to_string(id));
  query.Open();
  dlgSubs->lvSubs.Clear();
  lvGroups.Clear();
  if (query.First()) {
    const ui::TListUpdate subsFill(dlgSubs->lvSubs), groupsFill(lvGroups);
    std::vector<std::string> listed;
    do {
      const std::string group = query.FieldByName("Group").AsString();
      // Databases of earlier versions may hold a subscription twice; it is listed once.
      if (std::find(listed.begin(), listed.end(), group) != listed.end()) continue;
      listed.push_back(group);
      netNews->SelectGroup(group);
      // The reply's estimate of 0 marks an empty group too (RFC 3977 section 6.1.1.2).
      const std::string count =
          netNews->ArticleCount() == 0
              ? std::string("None")
              : GroupCountText(netNews->FirstArticle(), netNews->LastArticle());
      for (ui::IListView* list : {&dlgSubs->lvSubs, &lvGroups}) {
        ui::IListItem& row = list->Add();
        SetGroupName(row, group);
        row.AddSubItem(count);
      }
    } while (query.Next());
  } else {
    ShowSubscriptions();
  }
  item.SetChecked(true);
} catch (...) {
  if (!EndCancelledCommand()) throw;
}

void TfrmMain::ShowSubscriptions() {
  LoadGroupList();
  dlgSubs->ShowModal();
  // The dialog's buttons changed the table at once, so Cancel undid nothing: whichever way
  // it closed, the window shows what is stored.
  ShowStoredSubscriptions();
}

void TfrmMain::ShowStoredSubscriptions() {
  const std::vector<std::string> groups = dlgSubs->StoredGroups();
  // The count text a list showed for a group (rows are keyed by the group's bytes): the
  // dialog's subscribed rows are the newest.
  const auto countOf = [](ui::IListView& list, const std::string& group) {
    for (int i = 0; i < list.Count(); ++i) {
      if (list.Item(i).Key() == group) return std::optional(list.Item(i).SubItems());
    }
    return std::optional<std::vector<std::string>>();
  };
  std::vector<std::vector<std::string>> counts;
  for (const std::string& group : groups) {
    std::optional<std::vector<std::string>> count = countOf(dlgSubs->lvSubs, group);
    if (!count) count = countOf(lvGroups, group);
    if (!count) count = countOf(dlgSubs->lvGroups, group);
    counts.push_back(count.value_or(std::vector<std::string>()));
  }
  for (ui::IListView* list : {&dlgSubs->lvSubs, &lvGroups}) {
    list->Clear();
    const ui::TListUpdate fill(*list);
    for (std::size_t i = 0; i < groups.size(); ++i) {
      ui::IListItem& row = list->Add();
      SetGroupName(row, groups[i]);
      for (const std::string& sub : counts[i]) row.AddSubItem(sub);
    }
  }
}

void TfrmMain::LoadGroupList() {
  try {
    TStringList lines;
    netNews->ListGroups(lines);
    barStat.SetSimpleText("Processing Newsgroup List. Please wait ...");
    dlgSubs->lvGroups.Clear();
    const ui::TListUpdate fill(dlgSubs->lvGroups);
    for (const std::string& line : lines) {
      std::string name, status;
      uint64_t high = 0, low = 0;
      nntp::TNNTP::ParseGroupLine(line, name, high, low, status);
      ui::IListItem& row = dlgSubs->lvGroups.Add();
      SetGroupName(row, name);
      row.AddSubItem(GroupCountText(low, high));
    }
    barStat.SetSimpleText("Ready");
  } catch (const std::exception& e) {
    if (FCancelledCommand) throw;
    ReportError(e);
    // The transport's last status ("Connected.") would read as if the list had come.
    barStat.SetSimpleText("Ready");
  }
}

void TfrmMain::lvGroupsDblClick() try {
  ui::IListItem* selected = lvGroups.Selected();
  if (selected == nullptr || !netNews->Connected()) return;
  const TNetworkCommand command(*this);
  if (!command.Entered()) return;
  const std::string group = selected->Key();
  lvMsgs.Clear();
  FShownGroup.clear();
  UpdateCaption();
  // The new group's headers replace the article of the previous one.
  ClearArticle();
  const ui::TListUpdate fill(lvMsgs);
  netNews->SelectGroup(group);
  FShownGroup = group;
  UpdateCaption();
  TStringList lines;
  netNews->FetchOverview(
      std::to_string(netNews->FirstArticle()) + "-" + std::to_string(netNews->LastArticle()),
      lines);
  barStat.SetSimpleText("Processing Header Information. Please wait ...");
  for (const std::string& line : lines) {
    uint64_t number = 0;
    uint32_t bytes = 0, lineCount = 0;
    std::string subject, from, messageId, references, rest;
    TDateTime date = 0;
    nntp::TNNTP::ParseOverviewLine(line, number, subject, from, date, messageId, references, bytes,
                                   lineCount, rest);
    ui::IListItem& row = lvMsgs.Add();
    row.SetData(number);
    row.SetCaption(message::DecodeHeaderText(subject));
    row.AddSubItem(message::DecodeHeaderText(from));
    row.AddSubItem(ShortDateText(date));
    row.AddSubItem(std::to_string(bytes));
  }
  barStat.SetSimpleText("Done");
} catch (...) {
  if (!EndCancelledCommand()) throw;
}

void TfrmMain::lvMsgsDblClick() try {
  ui::IListItem* selected = lvMsgs.Selected();
  if (!netNews->Connected() || selected == nullptr) return;
  const TNetworkCommand command(*this);
  if (!command.Entered()) return;
  const THourglass hourglass(WindowSystem.Screen());
  const uint64_t number = selected->Data();
  // A row whose overview line carried no usable number: "Article" without a number would
  // fetch whichever article the server has selected, not this one.
  if (number == 0) {
    memLog.Add("No article number for \"" + selected->Caption() + "\"");
    return;
  }
  // The rows and the view stand for parts of netMsg, which the retrieval empties first.
  FArticleAttachments.clear();
  FArticleShown = false;
  if (!netNews->RetrieveArticle(number, "", *netMsg)) {
    // The article is gone from the server: show nothing rather than the previous article.
    ClearArticle();
    memLog.Add("Article " + std::to_string(number) + " is not available on the server - " +
               netNews->ReplyText());
    return;
  }
  // Parts that could not be decoded to their end, and fields kept as sent.
  for (const std::string& failure : netMsg->DecodeFailures) memLog.Add(failure);
  ShowArticle();
} catch (...) {
  if (!EndCancelledCommand()) throw;
}

void TfrmMain::ShowArticle() {
  TArticleView view = ComposeArticleView(*netMsg, ShowRawHeaders);
  // One fill, so the view opens at its first line.
  memMsg.SetLines(view.Lines);
  lvAtt.Clear();
  lvAtt.Hide();
  for (const TArticleAttachment& row : view.Attachments) {
    ui::IListItem& icon = lvAtt.Add();
    icon.SetCaption(row.Caption);
    icon.SetKey(row.Key);
    icon.SetImageIndex(imgAttachment);
  }
  if (!view.Attachments.empty()) {
    lvAtt.SetTop(RightPaneHeight());
    lvAtt.Show();
  }
  FArticleAttachments = std::move(view.Attachments);
  FArticleShown = true;
}

void TfrmMain::ClearArticle() {
  memMsg.Clear();
  lvAtt.Clear();
  lvAtt.Hide();
  FArticleAttachments.clear();
  FArticleShown = false;
}

void TfrmMain::mnuRawHeadersClick() {
  ShowRawHeaders = !ShowRawHeaders;
  if (FArticleShown) memMsg.SetLines(ComposeArticleView(*netMsg, ShowRawHeaders).Lines);
}

void TfrmMain::mnuOpenClick() {
  ui::IListItem* selected = lvAtt.Selected();
  if (selected == nullptr) return;
  // Without a scratch folder (window creation stopped before preparing it) the target would
  // be a name in the current folder, where an existing file of that name would be deleted.
  if (ScratchFolder.empty()) throw ENetException("Error saving attachment.");
  // The row is found by its key, the name's bytes; the file is named as the list shows it
  // (UTF-8), so the program that opens it finds it by that name. Only the last name
  // component: an attachment must never be written outside the folder.
  const std::string target = ScratchFolder + message::AttachmentLeafName(selected->Caption());
  if (const TArticleAttachment* row = FindAttachment(FArticleAttachments, selected->Key())) {
    if (target != ScratchFolder && FileExists(target)) ::unlink(target.c_str());
    SaveArticleAttachment(*netMsg, *row, target);
  }
  WindowSystem.ShellOpen(target, "open");
}

void TfrmMain::lvAttDblClick() {
  if (lvAtt.Selected() != nullptr) mnuOpenClick();
}

void TfrmMain::mnuSaveClick() {
  ui::IListItem* selected = lvAtt.Selected();
  if (selected == nullptr) return;
  dlgSave.SetFileName(message::AttachmentLeafName(selected->Caption()));
  if (!dlgSave.Execute()) return;
  const std::string chosen = dlgSave.FileName();
  if (const TArticleAttachment* row = FindAttachment(FArticleAttachments, selected->Key())) {
    if (FileExists(chosen)) ::unlink(chosen.c_str());
    SaveArticleAttachment(*netMsg, *row, chosen);
  }
}

void TfrmMain::actDisconnectExecute() {
  if (!netNews->Connected()) return;
  // While a command waits, "Disconnect" is the one command that acts: it ends the wait.
  if (FNetworkBusy) {
    CancelWaitingCommand();
    return;
  }
  const TNetworkCommand command(*this);
  if (command.Entered()) netNews->Disconnect();
}

void TfrmMain::actSubsExecute() try {
  if (!netNews->Connected()) return;
  const TNetworkCommand command(*this);
  if (command.Entered()) ShowSubscriptions();
} catch (...) {
  if (!EndCancelledCommand()) throw;
}

void TfrmMain::netNewsDisconnected() {
  for (int i = kFixedServerItems; i < mnuServers.Count(); ++i)
    mnuServers.Items(i).SetChecked(false);
  lvGroups.Clear();
  lvMsgs.Clear();
  ClearArticle();
  FConnectedServer.clear();
  FShownGroup.clear();
  UpdateCaption();
}

std::string TfrmMain::NewsHost() const {
  return netNews->Host;
}

void TfrmMain::UpdateCaption() {
  FView.SetCaption(MainCaption(FConnectedServer, ToUtf8(FShownGroup)));
}

}  // namespace qp::app
