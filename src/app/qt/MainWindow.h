// The main window's widgets on Qt 6 Widgets.
#pragma once

#include <QIcon>
#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Main.h"
#include "app/MainView.h"
#include "ui/qt/QtWindowSystem.h"
#include "widgets/ExtListView.h"

class QAction;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QStatusBar;
class QToolBar;
class QTreeWidget;

namespace qp::app {

// The main window: toolbar, feed tree, group and message lists, article text, attachment
// icons, log and status bar, laid out at 658 x 540 and centred when first shown. Its
// commands come from TfrmMain's action table; Bind connects them, the double-clicks (and
// Enter on a selected row) and the close to a TfrmMain, each through Guarded. The group and
// message lists keep their column widths and sort in the application's settings. Owned by
// the start routine; GUI thread only.
class TMainWindow : public QMainWindow, public IMainView {
  Q_OBJECT

 public:
  explicit TMainWindow(ui::QtWindowSystem& windowSystem);
  ~TMainWindow() override;

  void Bind(TfrmMain& form);

  ui::ITree& tvList() override { return *FTree; }
  ui::IListView& lvGroups() override { return *FGroups; }
  ui::IListView& lvMsgs() override { return *FMsgs; }
  ui::IListView& lvAtt() override { return *FAtt; }
  ui::IMemo& memMsg() override { return *FMsg; }
  ui::IMemo& memLog() override { return *FLog; }
  ui::IStatusBar& barStat() override { return *FStatus; }
  ui::IMenu& mnuServers() override { return *FServers; }
  ui::ISaveDialog& dlgSave() override { return *FSave; }
  int RightPaneHeight() const override;
  void Show() override;
  void SetCaption(const std::string& caption) override;

  // The command's action by name ("actExit"), or nullptr.
  QAction* Action(const std::string& name) const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildImages();
  void BuildActions();
  void BuildMenus();
  void BuildToolBar();
  void BuildPanes();
  // Runs handler with the bound form through the top-level error report.
  void Call(const std::function<void(TfrmMain&)>& handler);

  ui::QtWindowSystem& FWindowSystem;
  TfrmMain* FForm = nullptr;
  bool FCentred = false;
  std::vector<QIcon> FImages;
  std::map<std::string, QAction*> FActions;

  QToolBar* FToolBar = nullptr;
  QTreeWidget* FTreeWidget = nullptr;
  widgets::TExtListView* FGroups = nullptr;
  widgets::TExtListView* FMsgs = nullptr;
  widgets::TExtListView* FAtt = nullptr;
  QPlainTextEdit* FMsgWidget = nullptr;
  QPlainTextEdit* FLogWidget = nullptr;
  QStatusBar* FStatusWidget = nullptr;
  QWidget* FRightPane = nullptr;
  QMenu* FServersMenu = nullptr;
  QMenu* FAttMenu = nullptr;
  QAction* FRawHeaders = nullptr;

  std::unique_ptr<ui::QtTree> FTree;
  std::unique_ptr<ui::QtMemo> FMsg;
  std::unique_ptr<ui::QtMemo> FLog;
  std::unique_ptr<ui::QtStatusBar> FStatus;
  std::unique_ptr<ui::QtMenu> FServers;
  std::unique_ptr<ui::QtSaveDialog> FSave;
};

}  // namespace qp::app
