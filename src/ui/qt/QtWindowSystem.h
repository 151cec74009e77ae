// The window-system operations on Qt 6 Widgets. Texts cross the boundary as UTF-8, the
// system code page on Linux.
#pragma once

#include <QString>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/WindowSystem.h"

class QAction;
class QMenu;
class QPlainTextEdit;
class QLabel;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace qp::ui {

inline QString ToQ(const std::string& text) {
  return QString::fromUtf8(text);
}
inline std::string FromQ(const QString& text) {
  return text.toUtf8().toStdString();
}

class QtTreeNode;

// A tree view on a QTreeWidget with one column. Wrappers of its nodes live until Clear.
class QtTree : public ITree {
 public:
  explicit QtTree(QTreeWidget& widget);
  ~QtTree() override;
  void Clear() override;
  ITreeNode& AddRoot(const std::string& caption) override;
  ITreeNode& AddChild(ITreeNode& parent, const std::string& caption) override;
  ITreeNode* Selected() override;
  int Count() const override;

 private:
  QtTreeNode& Wrap(QTreeWidgetItem* item);
  QTreeWidget& FWidget;
  std::map<QTreeWidgetItem*, std::unique_ptr<QtTreeNode>> FNodes;
};

class QtMemo : public IMemo {
 public:
  explicit QtMemo(QPlainTextEdit& widget) : FWidget(widget) {}
  void Clear() override;
  void SetLines(const TStringList& lines) override;
  void Add(const std::string& line) override;
  void AddStrings(const TStringList& lines) override;
  TStringList Lines() const override;

 private:
  QPlainTextEdit& FWidget;
  bool FHasLines = false;  // tells an empty memo from one holding one empty line
};

// The simple text is a label that fills the status bar ("barStatText"), not a temporary
// message: hovering a menu shows its items' status tips as temporary messages, and an empty
// tip would otherwise wipe the text for good; the label comes back when the tip goes.
class QtStatusBar : public IStatusBar {
 public:
  explicit QtStatusBar(QStatusBar& widget);
  void SetSimpleText(const std::string& text) override;
  std::string SimpleText() const override;

 private:
  QStatusBar& FWidget;
  QLabel* FText;  // owned by FWidget
};

class QtMenu;

// A menu item on a QAction. Items made by CreateItem own their action; items that wrap a
// command's action do not. Radio groups are kept here rather than in a QActionGroup, since
// choosing an item must not check it by itself.
class QtMenuItem : public IMenuItem {
 public:
  QtMenuItem(IWindowSystem& windowSystem, QAction* action, std::string caption, bool owned,
             TMenuClickEvent onClick);
  ~QtMenuItem() override;
  std::string Caption() const override { return FCaption; }
  bool Checked() const override { return FChecked; }
  void SetChecked(bool checked) override;
  int GroupIndex() const override { return FGroupIndex; }
  void SetGroupIndex(int groupIndex) override { FGroupIndex = groupIndex; }
  bool RadioItem() const override { return FRadioItem; }
  void SetRadioItem(bool radioItem) override;
  void Click() override;

  QAction* Action() const { return FAction; }

 private:
  friend class QtMenu;

  IWindowSystem& FWindowSystem;
  QAction* FAction;
  std::string FCaption;
  bool FOwned;
  TMenuClickEvent FOnClick;
  int FGroupIndex = 0;
  bool FRadioItem = false;
  bool FChecked = false;
  QtMenu* FMenu = nullptr;
};

class QtMenu : public IMenu {
 public:
  QtMenu(IWindowSystem& windowSystem, QMenu& menu) : FWindowSystem(windowSystem), FMenu(menu) {}
  ~QtMenu() override;
  std::unique_ptr<IMenuItem> CreateItem(const std::string& caption,
                                        TMenuClickEvent onClick) override;
  IMenuItem& Append(std::unique_ptr<IMenuItem> item) override;
  int Count() const override { return static_cast<int>(FItems.size()); }
  IMenuItem& Items(int index) override { return *FItems.at(static_cast<std::size_t>(index)); }
  void Free(int index) override;

  // Appends an item for a command's action, which the window keeps.
  void AppendAction(QAction* action, const std::string& caption);
  void AppendSeparator();

 private:
  friend class QtMenuItem;

  IWindowSystem& FWindowSystem;
  QMenu& FMenu;
  std::vector<std::unique_ptr<QtMenuItem>> FItems;
};

class QtSaveDialog : public ISaveDialog {
 public:
  explicit QtSaveDialog(QWidget* parent) : FParent(parent) {}
  void SetFileName(const std::string& fileName) override { FFileName = fileName; }
  std::string FileName() const override { return FFileName; }
  bool Execute() override;

 private:
  QWidget* FParent;
  std::string FFileName;
};

class QtScreen : public IScreen {
 public:
  void SetCursor(TCursor cursor) override;
  TCursor Cursor() const override { return FCursor; }

 private:
  TCursor FCursor = TCursor::crDefault;
};

class QtApplication : public IApplication {
 public:
  void ProcessMessages() override;
  std::string Title() const override { return FTitle; }
  void SetTitle(const std::string& title) override;
  void CloseMainWindow() override;
  int Run() override;

  // The window that CloseMainWindow closes; set by the form factory.
  QWidget* MainWindow = nullptr;

 private:
  std::string FTitle;
};

// The application, the screen, message boxes and the shell. Created by main() after the
// QApplication, used on the GUI thread.
class QtWindowSystem : public IWindowSystem {
 public:
  IApplication& Application() override { return FApplication; }
  IScreen& Screen() override { return FScreen; }
  int MessageBox(const std::string& text, const std::string& caption, TMsgButtons buttons,
                 TMsgIcon icon) override;
  int Confirmation(const std::string& text) override;
  void ShellOpen(const std::string& target, const std::string& verb) override;

  QtApplication& App() { return FApplication; }

 private:
  QtApplication FApplication;
  QtScreen FScreen;
};

}  // namespace qp::ui
