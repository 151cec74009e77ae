#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <filesystem>
#include <memory>

#include "app/Main.h"
#include "app/Start.h"
#include "app/qt/MainWindow.h"
#include "app/qt/QtForms.h"
#include "dialogs/qt/HyperLbl.h"
#include "store/Table.h"
#include "support/QtTestApp.h"
#include "support/TempDir.h"
#include "ui/qt/QtWindowSystem.h"
#include "widgets/ExtListView.h"

namespace qp::app {
namespace {

using test::App;
using test::RecordingWindowSystem;

QStringList ActionTexts(const QMenu& menu) {
  QStringList texts;
  for (QAction* action : menu.actions()) texts << (action->isSeparator() ? "-" : action->text());
  return texts;
}

TEST(MainWindow, HoldsTheControlsOfTheLayout) {
  App();
  test::TempDir dir;
  const std::string data = dir.File("data/");
  std::filesystem::create_directories(data);
  {
    store::TTable servers;
    servers.DatabaseName = data;
    servers.TableName = "Servers.DAT";
    servers.Open();
    for (const char* name : {"Local", "R&D"}) {
      servers.Insert();
      servers.FieldByName("Name").SetAsString(name);
      servers.Post();
    }
  }

  RecordingWindowSystem windowSystem;
  windowSystem.Application().SetTitle("Quillpost");
  TMainWindow window(windowSystem);
  TfrmMain form(windowSystem, window);
  form.DataFolder = data;
  form.TempFolder = dir.File("temp/");
  window.Bind(form);
  form.Create();
  window.Show();
  QApplication::processEvents();

  EXPECT_TRUE(windowSystem.Boxes.empty());
  EXPECT_EQ(window.windowTitle(), "Quillpost");
  EXPECT_EQ(window.size(), QSize(658, 540));

  auto* tree = window.findChild<QTreeWidget*>("tvList");
  ASSERT_NE(tree, nullptr);
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "Gossip");

  auto* groups = window.findChild<widgets::TExtListView*>("lvGroups");
  ASSERT_NE(groups, nullptr);
  EXPECT_EQ(&window.lvGroups(), groups);
  EXPECT_EQ(groups->ColumnCaption(0), "Groups");
  EXPECT_EQ(groups->ColumnCaption(1), "Posts");
  EXPECT_EQ(groups->ColumnAlignment(1), widgets::TColumnAlign::taRightJustify);
  EXPECT_EQ(groups->AutoColumnSort(), widgets::TAutoColumnSort::acsSortToggle);
  EXPECT_TRUE(groups->AutoResort);
  auto* msgs = window.findChild<widgets::TExtListView*>("lvMsgs");
  ASSERT_NE(msgs, nullptr);
  EXPECT_EQ(msgs->ColumnCount(), 4);
  EXPECT_EQ(msgs->ColumnCaption(3), "Size");
  EXPECT_EQ(msgs->AutoSortStyle(), widgets::TAutoSortStyle::assSmart);
  EXPECT_FALSE(msgs->AutoResort);
  EXPECT_TRUE(msgs->ShowSortArrows());
  EXPECT_TRUE(msgs->ArrowInColumn(0));
  auto* att = window.findChild<widgets::TExtListView*>("lvAtt");
  ASSERT_NE(att, nullptr);
  EXPECT_TRUE(att->isHidden());
  EXPECT_EQ(att->ViewStyle(), widgets::TViewStyle::vsIcon);
  auto* memMsg = window.findChild<QPlainTextEdit*>("memMsg");
  ASSERT_NE(memMsg, nullptr);
  EXPECT_TRUE(memMsg->isReadOnly());

  QMenu* servers = window.findChild<QMenu*>("mnuServers");
  ASSERT_NE(servers, nullptr);
  EXPECT_EQ(servers->title(), "&Servers");
  EXPECT_EQ(ActionTexts(*servers),
            (QStringList{"Disconnect", "Server Management ...", "Subscribe/Unsubscribe ...", "-",
                         "Local", "R&&D"}));
  EXPECT_EQ(window.mnuServers().Items(5).Caption(), "R&D");
  EXPECT_TRUE(window.mnuServers().Items(5).RadioItem());
  window.mnuServers().Items(4).SetChecked(true);
  window.mnuServers().Items(5).SetChecked(true);
  EXPECT_FALSE(servers->actions()[4]->isChecked());
  EXPECT_TRUE(servers->actions()[5]->isChecked());

  QStringList menus;
  for (QAction* action : window.menuBar()->actions()) menus << action->text();
  EXPECT_EQ(menus, (QStringList{"&File", "&Tools", "&Servers", "&Help"}));

  auto* toolbar = window.findChild<QToolBar*>("tbMain");
  ASSERT_NE(toolbar, nullptr);
  ASSERT_EQ(toolbar->actions().size(), 3);
  EXPECT_EQ(toolbar->actions()[0]->toolTip(), "Update the news from active backend servers");
  EXPECT_EQ(toolbar->toolButtonStyle(), Qt::ToolButtonIconOnly);

  auto* log = window.findChild<QPlainTextEdit*>("memLog");
  ASSERT_NE(log, nullptr);
  form.ReportError(Exception("Socket Error # 10065\r\nNo route to host."));
  EXPECT_EQ(log->toPlainText(), "Error in FTP process - Socket Error # 10065\nNo route to host.");
  EXPECT_EQ(window.memLog().Lines().Count(), 2);

  auto* status = window.findChild<QLabel*>("barStatText");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->text(), "Ready");
  // A menu item without a status tip, hovered, sends an empty tip; the text stays.
  QStatusTipEvent hover("");
  QApplication::sendEvent(&window, &hover);
  EXPECT_EQ(status->text(), "Ready");
  EXPECT_EQ(window.barStat().SimpleText(), "Ready");

  form.FormClose();
  form.FormDestroy();
}

TEST(MainWindow, ListsTakeTheWindowsWidthAndKeepTheirLayoutBetweenRuns) {
  App();
  {
    QSettings settings;
    settings.remove("frmMain");
  }
  RecordingWindowSystem windowSystem;
  {
    TMainWindow window(windowSystem);
    TfrmMain form(windowSystem, window);
    window.Bind(form);
    window.show();
    QApplication::processEvents();
    auto* msgs = window.findChild<widgets::TExtListView*>("lvMsgs");
    auto* groups = window.findChild<widgets::TExtListView*>("lvGroups");
    ASSERT_NE(msgs, nullptr);
    ASSERT_NE(groups, nullptr);
    EXPECT_TRUE(static_cast<bool>(groups->OnDblClick));  // Enter on a row too
    EXPECT_TRUE(static_cast<bool>(msgs->OnDblClick));

    const int subject = msgs->ColumnWidth(0), size = msgs->ColumnWidth(3);
    window.resize(858, 540);
    QApplication::processEvents();
    EXPECT_GE(msgs->ColumnWidth(0), subject + 150);
    EXPECT_EQ(msgs->ColumnWidth(3), size);

    const int name = groups->ColumnWidth(0), posts = groups->ColumnWidth(1);
    auto* lists = qobject_cast<QSplitter*>(groups->parentWidget());
    ASSERT_NE(lists, nullptr);
    lists->setSizes({groups->width() + 100, msgs->width() - 100});
    QApplication::processEvents();
    EXPECT_EQ(groups->ColumnWidth(0), name + 100);
    EXPECT_EQ(groups->ColumnWidth(1), posts);

    msgs->SetColumnWidth(1, 90);
    msgs->ColumnClick(3);
    msgs->ColumnClick(3);
    form.FormClose();
    form.FormDestroy();
  }
  TMainWindow window(windowSystem);
  auto* msgs = window.findChild<widgets::TExtListView*>("lvMsgs");
  ASSERT_NE(msgs, nullptr);
  EXPECT_EQ(msgs->ColumnWidth(1), 90);
  EXPECT_EQ(msgs->SortColumnIndex(), 3);
  EXPECT_FALSE(msgs->SortAscending());
}

TEST(MainWindow, AFailingCommandIsReportedAndGoesNoFurther) {
  App();
  RecordingWindowSystem windowSystem;
  windowSystem.Application().SetTitle("Quillpost");
  TMainWindow window(windowSystem);
  TfrmMain form(windowSystem, window);
  window.Bind(form);
  auto item = window.mnuServers().CreateItem(
      "Broken", [](ui::IMenuItem&) { throw Exception("Connection refused"); });
  window.mnuServers().Append(std::move(item)).Click();
  ASSERT_EQ(windowSystem.Boxes.size(), 1u);
  EXPECT_EQ(windowSystem.Boxes[0], "Quillpost: Connection refused.");
}

TEST(MainWindow, UpdateAndTheFeedTreesDoubleClickReachTheLogic) {
  App();
  test::TempDir dir;
  RecordingWindowSystem windowSystem;
  TMainWindow window(windowSystem);
  TfrmMain form(windowSystem, window);
  form.DataFolder = dir.File("");
  form.TempFolder = dir.File("");
  window.Bind(form);
  form.Create();
  window.Action("actUpdate")->trigger();
  EXPECT_EQ(window.findChild<QPlainTextEdit*>("memLog")->toPlainText(), "Done");
  auto* tree = window.findChild<QTreeWidget*>("tvList");
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  QTreeWidgetItem* root = tree->topLevelItem(0);
  EXPECT_TRUE(root->isExpanded());
  tree->setCurrentItem(root);
  emit tree->itemDoubleClicked(root, 0);
  EXPECT_EQ(windowSystem.Boxes,
            (std::vector<std::string>{"Update Confirmation: Update newsfeeds?"}));
  form.FormClose();
  form.FormDestroy();
}

TEST(RunProgram, ClosingTheMainWindowEndsTheLoopAndRemovesTheScratchFolder) {
  App();
  test::TempDir dir;
  TStartFolders folders;
  folders.DataFolder = dir.File("data/");
  folders.TempFolder = dir.File("temp/");
  std::filesystem::create_directories(folders.DataFolder);
  RecordingWindowSystem windowSystem;
  TQtFormFactory forms(windowSystem);
  bool scratchWhileRunning = false;
  QTimer::singleShot(0, [&] {
    scratchWhileRunning = test::EntriesStartingWith(folders.TempFolder, "qptmp").size() == 1;
    windowSystem.Application().CloseMainWindow();
  });
  // Ends a loop that the close failed to end, so the test cannot hang.
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(2); });
  guard.start(10000);
  EXPECT_EQ(RunProgram(windowSystem, forms, folders), 0);
  windowSystem.App().MainWindow = nullptr;
  EXPECT_EQ(windowSystem.Application().Title(), "Quillpost");
  EXPECT_TRUE(windowSystem.Boxes.empty());
  EXPECT_TRUE(scratchWhileRunning);
  EXPECT_TRUE(test::EntriesStartingWith(folders.TempFolder, "qptmp").empty());
}

TEST(HyperLabel, OpensItsUrlOnlyWhenReleasedOverIt) {
  App();
  dialogs::THyperLabel label("home");
  label.resize(100, 20);
  label.URL = "https://example.org/";
  std::vector<std::string> opened;
  label.OnOpenURL = [&](const std::string& url) { opened.push_back(url); };
  EXPECT_EQ(label.CurrentColour(), QColor(0, 0, 128));
  EXPECT_TRUE(label.font().underline());

  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&label, &press);
  EXPECT_EQ(label.CurrentColour(), label.PressedColour);
  QMouseEvent outside(QEvent::MouseButtonRelease, QPointF(500, 5), QPointF(500, 5), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&label, &outside);
  EXPECT_TRUE(opened.empty());

  QApplication::sendEvent(&label, &press);
  QMouseEvent inside(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                     Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&label, &inside);
  EXPECT_EQ(opened, std::vector<std::string>{"https://example.org/"});
}

}  // namespace
}  // namespace qp::app
