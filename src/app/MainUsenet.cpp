// The Usenet side of the main window: choosing a server, the subscription flow, loading a
// group's headers, and the article view with its attachments.
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "app/Main.h"
#include "base/SysUtils.h"
#include "dialogs/Subscribe.h"
#include "message/AttachmentName.h"
#include "message/IdMessageParts.h"
#include "store/Query.h"
#include "store/SqlDialect.h"

namespace qp {

namespace {

constexpr int kFixedServerItems = 4;  // Disconnect, Server Management, Subscribe, separator

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The first attachment whose FileName is exactly fileName, or nullptr.
const TIdAttachment* FindAttachment(const TIdMessage& message, const std::string& fileName) {
  for (int i = 0; i < message.MessageParts.Count(); ++i) {
    const auto* a = dynamic_cast<const TIdAttachment*>(&message.MessageParts[i]);
    if (a != nullptr && a->FileName == fileName) return a;
  }
  return nullptr;
}

// Sets the hourglass for as long as it lives; every way out restores the default cursor.
class THourglass {
 public:
  explicit THourglass(IScreen& screen) : FScreen(screen) {
    FScreen.SetCursor(TCursor::crHourGlass);
  }
  ~THourglass() { FScreen.SetCursor(TCursor::crDefault); }
  THourglass(const THourglass&) = delete;
  THourglass& operator=(const THourglass&) = delete;

 private:
  IScreen& FScreen;
};

}  // namespace

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
}

TfrmMain::TNetworkCommand::~TNetworkCommand() {
  if (FEntered) FForm.FNetworkBusy = false;
}

void TfrmMain::ServerMenuClick(IMenuItem& item) {
  const TNetworkCommand command(*this);
  if (!command.Entered()) return;
  const std::string caption = item.Caption();
  TQuery query;
  query.SetSQL("SELECT ID,Address,Port,Authenticate,Login,Password FROM Servers WHERE Name=" +
               QuotedStr(caption));
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

  if (idNews->Connected()) idNews->Disconnect();
  idNews->Host = ServerAddress;
  idNews->Port = ServerPort;
  // A server that needs no login must never see another server's credentials.
  idNews->Username = ServerAuthenticate ? ServerLogin : std::string();
  idNews->Password = ServerAuthenticate ? ServerPassword : std::string();
  try {
    idNews->Connect();
  } catch (const std::exception& e) {
    ReportError(e);
    return;
  }
  if (idNews->GreetingResult() > 1) return;

  query.SetSQL("SELECT Group FROM Subscriptions WHERE Server=" + std::to_string(id));
  query.Open();
  dlgSubs->lvSubs.Clear();
  lvGroups.Clear();
  if (query.First()) {
    do {
      const std::string group = query.FieldByName("Group").AsString();
      idNews->SelectGroup(group);
      const std::string count = std::to_string(idNews->ArticleCount());
      for (IListView* list : {&dlgSubs->lvSubs, &lvGroups}) {
        IListItem& row = list->Add();
        row.SetCaption(group);
        row.AddSubItem(count);
      }
    } while (query.Next());
  } else {
    ShowSubscriptions();
  }
  item.SetChecked(true);
}

void TfrmMain::ShowSubscriptions() {
  LoadGroupList();
  if (dlgSubs->ShowModal() != idOK) return;
  lvGroups.Clear();
  for (int i = 0; i < dlgSubs->lvSubs.Count(); ++i) {
    IListItem& source = dlgSubs->lvSubs.Item(i);
    IListItem& row = lvGroups.Add();
    row.SetCaption(source.Caption());
    for (const std::string& sub : source.SubItems()) row.AddSubItem(sub);
  }
}

void TfrmMain::LoadGroupList() {
  try {
    TStringList lines;
    idNews->ListGroups(lines);
    barStat.SetSimpleText("Processing Newsgroup List. Please wait ...");
    dlgSubs->lvGroups.Clear();
    for (const std::string& line : lines) {
      std::string name, status;
      uint32_t high = 0, low = 0;
      TIdNNTP::ParseGroupLine(line, name, high, low, status);
      IListItem& row = dlgSubs->lvGroups.Add();
      row.SetCaption(name);
      row.AddSubItem(low < high ? std::to_string(high - low) : std::string("None"));
    }
    barStat.SetSimpleText("Ready");
  } catch (const std::exception& e) {
    ReportError(e);
  }
}

void TfrmMain::lvGroupsDblClick() {
  IListItem* selected = lvGroups.Selected();
  if (selected == nullptr || !idNews->Connected()) return;
  const TNetworkCommand command(*this);
  if (!command.Entered()) return;
  const std::string group = selected->Caption();
  lvMsgs.Clear();
  idNews->SelectGroup(group);
  TStringList lines;
  idNews->FetchOverview(Format("%u-%u", idNews->FirstArticle(), idNews->LastArticle()), lines);
  barStat.SetSimpleText("Processing Header Information. Please wait ...");
  for (const std::string& line : lines) {
    uint32_t number = 0, bytes = 0, lineCount = 0;
    std::string subject, from, messageId, references, rest;
    TDateTime date = 0;
    TIdNNTP::ParseOverviewLine(line, number, subject, from, date, messageId, references, bytes,
                               lineCount, rest);
    IListItem& row = lvMsgs.Add();
    row.SetData(number);
    row.SetCaption(subject);
    row.AddSubItem(from);
    row.AddSubItem(ShortDateText(date));
    row.AddSubItem(std::to_string(bytes));
  }
  barStat.SetSimpleText("Done");
}

void TfrmMain::lvMsgsDblClick() {
  IListItem* selected = lvMsgs.Selected();
  if (!idNews->Connected() || selected == nullptr) return;
  const TNetworkCommand command(*this);
  if (!command.Entered()) return;
  const THourglass hourglass(WindowSystem.Screen());
  const uint32_t number = selected->Data();
  if (!idNews->RetrieveArticle(number, "", *idMsg)) {
    // The article is gone from the server: show nothing rather than the previous article.
    memMsg.Clear();
    lvAtt.Clear();
    lvAtt.Hide();
    memLog.Add(Format("Article %u is not available on the server - %s", number,
                      idNews->ReplyText().c_str()));
    return;
  }
  memMsg.Clear();
  memMsg.AddStrings(idMsg->Headers);
  memMsg.Add("");
  lvAtt.Clear();
  lvAtt.Hide();
  if (idMsg->Body.Count() > 0) memMsg.AddStrings(idMsg->Body);
  int attachments = 0;
  for (int i = 0; i < idMsg->MessageParts.Count(); ++i) {
    const TIdMessagePart& part = idMsg->MessageParts[i];
    if (const auto* text = dynamic_cast<const TIdText*>(&part)) {
      memMsg.AddStrings(text->Lines);
    } else if (const auto* attachment = dynamic_cast<const TIdAttachment*>(&part)) {
      IListItem& icon = lvAtt.Add();
      icon.SetCaption(attachment->FileName);
      icon.SetImageIndex(imgAttachment);
      ++attachments;
    }
  }
  if (attachments > 0) {
    lvAtt.SetTop(RightPaneHeight());
    lvAtt.Show();
  }
}

void TfrmMain::mnuOpenClick() {
  IListItem* selected = lvAtt.Selected();
  if (selected == nullptr) return;
  const std::string fileName = selected->Caption();
  // Without a scratch folder (window creation stopped before preparing it) the target would
  // be a name in the current folder, where an existing file of that name would be deleted.
  if (ScratchFolder.empty()) throw EIdException("Error saving attachment.");
  // Only the last name component: an attachment must never be written outside the folder.
  const std::string target = ScratchFolder + AttachmentLeafName(fileName);
  if (const TIdAttachment* attachment = FindAttachment(*idMsg, fileName)) {
    if (target != ScratchFolder && FileExists(target)) ::unlink(target.c_str());
    attachment->SaveToFile(target);
  }
  WindowSystem.ShellOpen(target, "open");
}

void TfrmMain::lvAttDblClick() {
  if (lvAtt.Selected() != nullptr) mnuOpenClick();
}

void TfrmMain::mnuSaveClick() {
  IListItem* selected = lvAtt.Selected();
  if (selected == nullptr) return;
  const std::string fileName = selected->Caption();
  dlgSave.SetFileName(AttachmentLeafName(fileName));
  if (!dlgSave.Execute()) return;
  const std::string chosen = dlgSave.FileName();
  if (const TIdAttachment* attachment = FindAttachment(*idMsg, fileName)) {
    if (FileExists(chosen)) ::unlink(chosen.c_str());
    attachment->SaveToFile(chosen);
  }
}

void TfrmMain::actDisconnectExecute() {
  if (!idNews->Connected()) return;
  const TNetworkCommand command(*this);
  if (command.Entered()) idNews->Disconnect();
}

void TfrmMain::actSubsExecute() {
  if (!idNews->Connected()) return;
  const TNetworkCommand command(*this);
  if (command.Entered()) ShowSubscriptions();
}

void TfrmMain::idNewsDisconnected() {
  for (int i = kFixedServerItems; i < mnuServers.Count(); ++i)
    mnuServers.Items(i).SetChecked(false);
  lvGroups.Clear();
  lvMsgs.Clear();
  lvAtt.Hide();
  memMsg.Clear();
}

std::string TfrmMain::NewsHost() const {
  return idNews->Host;
}

}  // namespace qp
