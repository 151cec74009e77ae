// The message list and the article view of the real window, filled from a loopback news
// server with articles in several charsets, read back as the user sees them.
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSettings>
#include <QTreeView>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Main.h"
#include "app/qt/MainWindow.h"
#include "dialogs/Subscribe.h"
#include "support/Encoders.h"
#include "support/FakeWindowSystem.h"
#include "support/LoopbackServer.h"
#include "support/NewsDatabase.h"
#include "support/NewsServer.h"
#include "support/QtTestApp.h"
#include "support/TempDir.h"
#include "widgets/ExtListView.h"

namespace qp::app {
namespace {

namespace fs = std::filesystem;

// Records what the shell is asked to open instead of starting a program.
class ShellRecordingWindowSystem : public test::RecordingWindowSystem {
 public:
  void ShellOpen(const std::string& target, const std::string& verb) override {
    (void)verb;
    Opened.push_back(target);
  }
  std::vector<std::string> Opened;
};

std::string Cell(widgets::TExtListView& list, int row, int column) {
  const QAbstractItemModel& model = *list.ReportView().model();
  return model.data(model.index(row, column)).toString().toStdString();
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

const std::string kCafeCreme =
    "Caf\xc3\xa9 cr\xc3\xa8me br\xc3\xbbl\xc3\xa9"
    "e";
const std::string kPrivet = "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82";
const std::string kKonnichiwa = "\xe3\x81\x93\xe3\x82\x93\xe3\x81\xab\xe3\x81\xa1\xe3\x81\xaf";

const std::string kPdf("%PDF-\xff\x00 bytes", 12);

std::map<std::string, std::string> Articles() {
  std::string latin1Body;
  for (int i = 1; i <= 200; ++i)
    latin1Body +=
        "Gr\xfc\xdf"
        "e " +
        std::to_string(i) + "\r\n";
  return {
      {"Group alt.charsets", "211 3 1 3 alt.charsets\r\n"},
      {"xover 1-3",
       "224 overview\r\n"
       "1\t=?ISO-8859-1?Q?Caf=E9_cr=E8me_br=FBl=E9e?=\t=?UTF-8?Q?J=C3=B6rg?= <j@x>\t"
       "Sun, 05 Jan 2003 14:03:07 +0000\t<1@x>\t\t9000\t200\r\n"
       "2\t=?KOI8-R?B?8NLJ18XU?= =?KOI8-R?Q?_=F0=D2=C9=D7=C5=D4?=\tK\xf6nig <k@x>\t"
       "Sun, 05 Jan 2003 14:03:07 +0000\t<2@x>\t\t500\t9\r\n"
       "3\t=?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=\t=?windows-1252?Q?=93Q=94?= <q@x>\t"
       "Sun, 05 Jan 2003 14:03:07 +0000\t<3@x>\t\t100\t2\r\n.\r\n"},
      {"Article 1",
       "220 1 <1@x>\r\nSubject: =?ISO-8859-1?Q?Caf=E9_cr=E8me_br=FBl=E9e?=\r\n"
       "From: =?UTF-8?Q?J=C3=B6rg?= <j@x>\r\nContent-Type: text/plain\r\n\r\n" +
           latin1Body + ".\r\n"},
      {"Article 2",
       "220 2 <2@x>\r\nSubject: =?KOI8-R?B?8NLJ18XU?=\r\n"
       "Content-Type: multipart/mixed; boundary=B\r\n\r\n--B\r\n"
       "Content-Type: text/plain; charset=koi8-r\r\n\r\n\xf0\xd2\xc9\xd7\xc5\xd4\r\n--B\r\n"
       "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\n"
       "Q2Fmw6k=\r\n--B\r\nContent-Type: application/pdf; name=\"r\xe9sum\xe9.pdf\"\r\n"
       "Content-Transfer-Encoding: base64\r\n\r\n" +
           test::Base64Lines(kPdf) + "--B--\r\n.\r\n"},
      {"Article 3",
       "220 3 <3@x>\r\nSubject: =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=\r\n"
       "Content-Type: multipart/alternative; boundary=A\r\n\r\n--A\r\n"
       "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n\x1b$B$3$s$K$A$O\x1b(B\r\n--A\r\n"
       "Content-Type: text/html; charset=utf-8\r\n\r\n<p>html</p>\r\n--A--\r\n.\r\n"},
  };
}

TEST(ArticleWindow, ListAndViewShowTheTextOfEveryCharset) {
  test::App();
  {
    QSettings settings;
    settings.remove("frmMain");  // no sort order kept by another test
  }
  test::TempDir dir;
  fs::create_directories(dir.File("temp"));
  test::ScopedNewsDatabase database(dir.File("data/"));
  test::LoopbackServer server(test::NewsServer(Articles()));
  test::AddSubscriptionRow(test::AddServerRow("Local", server.Port()), "alt.charsets");

  ShellRecordingWindowSystem windowSystem;
  test::FakeSubsView subsView;
  dialogs::TdlgSubs subs(subsView);
  {
    TMainWindow window(windowSystem);
    TfrmMain form(windowSystem, window);
    form.DataFolder = dir.File("data/");
    form.TempFolder = dir.File("temp/");
    form.dlgSubs = &subs;
    window.Bind(form);
    form.Create();
    window.Show();
    QApplication::processEvents();
    ASSERT_EQ(window.mnuServers().Count(), 5);
    window.mnuServers().Items(4).Click();

    auto* groups = window.findChild<widgets::TExtListView*>("lvGroups");
    auto* msgs = window.findChild<widgets::TExtListView*>("lvMsgs");
    auto* att = window.findChild<widgets::TExtListView*>("lvAtt");
    auto* memMsg = window.findChild<QPlainTextEdit*>("memMsg");
    ASSERT_TRUE(groups && msgs && att && memMsg);
    ASSERT_EQ(groups->Count(), 1);
    groups->SelectRow(0);
    form.lvGroupsDblClick();
    QApplication::processEvents();
    ASSERT_EQ(msgs->Count(), 3);
    const std::vector<std::vector<std::string>> cells = {
        {kCafeCreme, "J\xc3\xb6rg <j@x>"},
        {kPrivet + " " + kPrivet, "K\xc3\xb6nig <k@x>"},
        {kKonnichiwa, "\xe2\x80\x9cQ\xe2\x80\x9d <q@x>"}};
    for (int row = 0; row < 3; ++row) {
      SCOPED_TRACE(row);
      EXPECT_EQ(Cell(*msgs, row, 0), cells[static_cast<std::size_t>(row)][0]);
      EXPECT_EQ(Cell(*msgs, row, 1), cells[static_cast<std::size_t>(row)][1]);
    }

    // A long ISO-8859-1 body without a charset: windows-1252, and the view at its top.
    msgs->SelectRow(0);
    form.lvMsgsDblClick();
    QApplication::processEvents();
    std::vector<std::string> expected = {"Subject: " + kCafeCreme, "From: J\xc3\xb6rg <j@x>",
                                         "Content-Type: text/plain", ""};
    for (int i = 1; i <= 200; ++i)
      expected.push_back(
          "Gr\xc3\xbc\xc3\x9f"
          "e " +
          std::to_string(i));
    EXPECT_EQ(memMsg->toPlainText().toStdString(), Lines(expected));
    EXPECT_GT(memMsg->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(memMsg->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(att->isHidden());

    // Parts in different charsets, and an attachment named in Latin-1.
    msgs->SelectRow(1);
    form.lvMsgsDblClick();
    QApplication::processEvents();
    EXPECT_EQ(memMsg->toPlainText().toStdString(),
              Lines({"Subject: " + kPrivet, "Content-Type: multipart/mixed; boundary=B", "",
                     kPrivet, "Caf\xc3\xa9"}));
    ASSERT_FALSE(att->isHidden());
    ASSERT_EQ(att->Count(), 1);
    EXPECT_EQ(Cell(*att, 0, 0), "r\xc3\xa9sum\xc3\xa9.pdf");
    att->SelectRow(0);
    form.mnuOpenClick();
    const std::string opened = form.GetScratchFolder() + "r\xc3\xa9sum\xc3\xa9.pdf";
    EXPECT_EQ(windowSystem.Opened, std::vector<std::string>{opened});
    EXPECT_EQ(test::ReadWholeFile(opened), kPdf);

    // The raw header switch in the text's pop-up menu.
    auto* raw = window.findChild<QAction*>("mnuRawHeaders");
    ASSERT_NE(raw, nullptr);
    EXPECT_FALSE(raw->isChecked());
    raw->trigger();
    EXPECT_TRUE(raw->isChecked());
    EXPECT_EQ(memMsg->toPlainText().split('\n').front().toStdString(),
              "Subject: =?KOI8-R?B?8NLJ18XU?=");
    raw->trigger();
    EXPECT_FALSE(raw->isChecked());

    // An alternative: the plain text only, the HTML listed.
    msgs->SelectRow(2);
    form.lvMsgsDblClick();
    QApplication::processEvents();
    EXPECT_EQ(memMsg->toPlainText().toStdString(),
              Lines({"Subject: " + kKonnichiwa, "Content-Type: multipart/alternative; boundary=A",
                     "", kKonnichiwa}));
    ASSERT_EQ(att->Count(), 1);
    EXPECT_EQ(Cell(*att, 0, 0), "part-2.html");
    EXPECT_TRUE(windowSystem.Boxes.empty());

    form.FormClose();
    form.FormDestroy();
  }
  server.Join();
}

}  // namespace
}  // namespace qp::app
