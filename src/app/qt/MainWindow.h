// The main window's widgets on Qt 6 Widgets.
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Main.h"
#include "app/MainView.h"
#include "app/qt/QtWindowSystem.h"

class QAction;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QStatusBar;
class QToolBar;
class QTreeWidget;

namespace qp {

// The main window: toolbar, feed tree, group and message lists, article text, attachment
// icons, log and status bar, laid out at 658 x 540 and centred when first shown. Its
// commands come from TfrmMain's action table; Bind connects them, the double-clicks and the
// close to a TfrmMain, each through Guarded. Owned by the start routine; GUI thread only.
class TMainWindow : public QMainWindow, public IMainView {
  Q_OBJECT

 public:
  explicit TMainWindow(QtWindowSystem& windowSystem);
  ~TMainWindow() override;

  void Bind(TfrmMain& form);

  ITree& tvList() override { return *FTree; }
  IListView& lvGroups() override { return *FGroups; }
  IListView& lvMsgs() override { return *FMsgs; }
  IListView& lvAtt() override { return *FAtt; }
  IMemo& memMsg() override { return *FMsg; }
  IMemo& memLog() override { return *FLog; }
  IStatusBar& barStat() override { return *FStatus; }
  IMenu& mnuServers() override { return *FServers; }
  ISaveDialog& dlgSave() override { return *FSave; }
  int RightPaneHeight() const override;
  void Show() override;

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

  QtWindowSystem& FWindowSystem;
  TfrmMain* FForm = nullptr;
  bool FCentred = false;
  std::vector<QIcon> FImages;
  std::map<std::string, QAction*> FActions;

  QToolBar* FToolBar = nullptr;
  QTreeWidget* FTreeWidget = nullptr;
  QTreeWidget* FGroupsWidget = nullptr;
  QTreeWidget* FMsgsWidget = nullptr;
  QListWidget* FAttWidget = nullptr;
  QPlainTextEdit* FMsgWidget = nullptr;
  QPlainTextEdit* FLogWidget = nullptr;
  QStatusBar* FStatusWidget = nullptr;
  QWidget* FRightPane = nullptr;
  QMenu* FServersMenu = nullptr;
  QMenu* FAttMenu = nullptr;

  std::unique_ptr<QtTree> FTree;
  std::unique_ptr<QtReportList> FGroups;
  std::unique_ptr<QtReportList> FMsgs;
  std::unique_ptr<QtIconList> FAtt;
  std::unique_ptr<QtMemo> FMsg;
  std::unique_ptr<QtMemo> FLog;
  std::unique_ptr<QtStatusBar> FStatus;
  std::unique_ptr<QtMenu> FServers;
  std::unique_ptr<QtSaveDialog> FSave;
};

}  // namespace qp
