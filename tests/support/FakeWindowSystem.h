// In-memory doubles of the window-system interfaces: they keep what the logic did, so tests
// can check it, and give scripted answers for message boxes, confirmations, the save dialog
// and modal forms.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainView.h"
#include "dialogs/Subscribe.h"
#include "ui/WindowSystem.h"

namespace qp::test {

class FakeTree;

class FakeTreeNode : public ui::ITreeNode {
 public:
  FakeTreeNode(FakeTree& tree, FakeTreeNode* parent, std::string text, int level)
      : FTree(tree), FParent(parent), FText(std::move(text)), FLevel(level) {}
  std::string Text() const override { return FText; }
  void Expand() override { FExpanded = true; }
  bool Expanded() const override { return FExpanded; }
  int AbsoluteIndex() const override;
  bool IsFirstNode() const override { return AbsoluteIndex() == 0; }

  FakeTreeNode* Parent() const { return FParent; }
  int Level() const { return FLevel; }
  // The direct children, in order.
  std::vector<FakeTreeNode*> Children() const;

 private:
  FakeTree& FTree;
  FakeTreeNode* FParent;
  std::string FText;
  int FLevel;
  bool FExpanded = false;
};

// Keeps its nodes in depth-first order.
class FakeTree : public ui::ITree {
 public:
  void Clear() override;
  ui::ITreeNode& AddRoot(const std::string& caption) override;
  ui::ITreeNode& AddChild(ui::ITreeNode& parent, const std::string& caption) override;
  ui::ITreeNode* Selected() override { return FSelected; }
  int Count() const override { return static_cast<int>(FNodes.size()); }

  void Select(ui::ITreeNode* node) { FSelected = static_cast<FakeTreeNode*>(node); }
  FakeTreeNode& Node(int absoluteIndex) { return *FNodes.at(absoluteIndex); }
  int IndexOf(const FakeTreeNode* node) const;
  int ClearCount = 0;

 private:
  friend class FakeTreeNode;
  std::vector<std::unique_ptr<FakeTreeNode>> FNodes;
  FakeTreeNode* FSelected = nullptr;
};

class FakeListView;

class FakeListItem : public ui::IListItem {
 public:
  explicit FakeListItem(FakeListView& list) : FList(list) {}
  std::string Caption() const override { return FCaption; }
  void SetCaption(const std::string& caption) override { FCaption = caption; }
  void AddSubItem(const std::string& text) override { FSubItems.push_back(text); }
  std::vector<std::string> SubItems() const override { return FSubItems; }
  uint64_t Data() const override { return FData; }
  void SetData(uint64_t data) override { FData = data; }
  int ImageIndex() const override { return FImageIndex; }
  void SetImageIndex(int index) override { FImageIndex = index; }
  int Index() const override;
  bool Selected() const override { return FSelected; }

  void SetSelected(bool selected) { FSelected = selected; }

 private:
  FakeListView& FList;
  std::string FCaption;
  std::vector<std::string> FSubItems;
  uint64_t FData = 0;
  int FImageIndex = -1;
  bool FSelected = false;
};

class FakeListView : public ui::IListView {
 public:
  ui::IListItem& Add() override;
  void Clear() override { FItems.clear(); }
  int Count() const override { return static_cast<int>(FItems.size()); }
  ui::IListItem& Item(int index) override { return *FItems.at(index); }
  void Delete(int index) override { FItems.erase(FItems.begin() + index); }
  ui::IListItem* Selected() override;
  int SelCount() const override;
  void Show() override { FVisible = true; }
  void Hide() override { FVisible = false; }
  bool Visible() const override { return FVisible; }
  void SetTop(int top) override { Top = top; }
  void BeginUpdate() override { ++UpdateDepth; }
  void EndUpdate() override { --UpdateDepth; }

  // Selects only the row at index (-1: none).
  void Select(int index);
  // The captions of the rows, in order.
  std::vector<std::string> Captions() const;
  int Top = 0;
  // Open BeginUpdate brackets.
  int UpdateDepth = 0;
  // Rows added while no bracket was open.
  int AddsOutsideUpdate = 0;

 private:
  friend class FakeListItem;
  std::vector<std::unique_ptr<FakeListItem>> FItems;
  bool FVisible = true;
};

class FakeMemo : public ui::IMemo {
 public:
  void Clear() override { FLines.Clear(); }
  void SetLines(const TStringList& lines) override { FLines = lines; }
  void Add(const std::string& line) override;
  void AddStrings(const TStringList& lines) override;
  TStringList Lines() const override { return FLines; }

 private:
  TStringList FLines;
};

class FakeStatusBar : public ui::IStatusBar {
 public:
  void SetSimpleText(const std::string& text) override {
    FText = text;
    History.push_back(text);
  }
  std::string SimpleText() const override { return FText; }
  std::vector<std::string> History;

 private:
  std::string FText;
};

class FakeMenu;

class FakeMenuItem : public ui::IMenuItem {
 public:
  FakeMenuItem(std::string caption, ui::TMenuClickEvent onClick)
      : FCaption(std::move(caption)), FOnClick(std::move(onClick)) {}
  std::string Caption() const override { return FCaption; }
  bool Checked() const override { return FChecked; }
  void SetChecked(bool checked) override;
  int GroupIndex() const override { return FGroupIndex; }
  void SetGroupIndex(int groupIndex) override { FGroupIndex = groupIndex; }
  bool RadioItem() const override { return FRadioItem; }
  void SetRadioItem(bool radioItem) override { FRadioItem = radioItem; }
  void Click() override {
    if (FOnClick) FOnClick(*this);
  }

 private:
  friend class FakeMenu;
  std::string FCaption;
  ui::TMenuClickEvent FOnClick;
  bool FChecked = false;
  int FGroupIndex = 0;
  bool FRadioItem = false;
  FakeMenu* FMenu = nullptr;
};

class FakeMenu : public ui::IMenu {
 public:
  std::unique_ptr<ui::IMenuItem> CreateItem(const std::string& caption,
                                            ui::TMenuClickEvent onClick) override;
  ui::IMenuItem& Append(std::unique_ptr<ui::IMenuItem> item) override;
  int Count() const override { return static_cast<int>(FItems.size()); }
  ui::IMenuItem& Items(int index) override { return *FItems.at(index); }
  void Free(int index) override { FItems.erase(FItems.begin() + index); }

  std::vector<std::string> Captions() const;

 private:
  friend class FakeMenuItem;
  std::vector<std::unique_ptr<FakeMenuItem>> FItems;
};

// A modal form: each ShowModal counts and returns OnShowModal's result when set, else
// ModalResult.
class FakeForm : public ui::IForm {
 public:
  int ShowModal() override {
    ++ShowCount;
    return OnShowModal ? OnShowModal() : ModalResult;
  }
  int ModalResult = ui::idOK;
  int ShowCount = 0;
  std::function<int()> OnShowModal;
};

// The save dialog: Execute takes the next scripted choice (std::nullopt = cancelled; none
// scripted = cancelled) and records the file name it was preset with.
class FakeSaveDialog : public ui::ISaveDialog {
 public:
  void SetFileName(const std::string& fileName) override { FFileName = fileName; }
  std::string FileName() const override { return FFileName; }
  bool Execute() override;

  std::deque<std::optional<std::string>> Choices;
  std::vector<std::string> PresetNames;

 private:
  std::string FFileName;
};

class FakeCheckBox : public ui::ICheckBox {
 public:
  void SetEnabled(bool enabled) override { FEnabled = enabled; }
  bool Enabled() const override { return FEnabled; }
  bool Checked() const override { return FChecked; }
  void SetChecked(bool checked) override { FChecked = checked; }

 private:
  bool FEnabled = true;
  bool FChecked = false;
};

class FakeComboBox : public ui::IComboBox {
 public:
  void SetEnabled(bool enabled) override { FEnabled = enabled; }
  bool Enabled() const override { return FEnabled; }
  int ItemIndex() const override { return FItemIndex; }
  void SetItemIndex(int index) override { FItemIndex = index; }

 private:
  bool FEnabled = true;
  int FItemIndex = -1;
};

class FakeEdit : public ui::IEdit {
 public:
  void SetEnabled(bool enabled) override { FEnabled = enabled; }
  bool Enabled() const override { return FEnabled; }
  std::string Text() const override { return FText; }
  void SetText(const std::string& text) override { FText = text; }

 private:
  bool FEnabled = true;
  std::string FText;
};

class FakeScreen : public ui::IScreen {
 public:
  void SetCursor(ui::TCursor cursor) override {
    FCursor = cursor;
    History.push_back(cursor);
  }
  ui::TCursor Cursor() const override { return FCursor; }
  std::vector<ui::TCursor> History;

 private:
  ui::TCursor FCursor = ui::TCursor::crDefault;
};

// The application: Run calls OnRun (when set) and returns RunResult.
class FakeApplication : public ui::IApplication {
 public:
  void ProcessMessages() override { ++ProcessMessagesCount; }
  std::string Title() const override { return FTitle; }
  void SetTitle(const std::string& title) override { FTitle = title; }
  void CloseMainWindow() override { ++CloseCount; }
  int Run() override {
    ++RunCount;
    if (OnRun) OnRun();
    return RunResult;
  }

  int ProcessMessagesCount = 0;
  int CloseCount = 0;
  int RunCount = 0;
  int RunResult = 0;
  std::function<void()> OnRun;

 private:
  std::string FTitle;
};

struct FakeMessageBox {
  std::string Text;
  std::string Caption;
  ui::TMsgButtons Buttons;
  ui::TMsgIcon Icon;
};

struct FakeShellOpen {
  std::string Target;
  std::string Verb;
};

// Message boxes and confirmations answer with the next scripted result, or with their first
// button (OK, Yes) when none is left. ShellOpen throws EShellError(ShellFailure) when that
// is set.
class FakeWindowSystem : public ui::IWindowSystem {
 public:
  ui::IApplication& Application() override { return App; }
  ui::IScreen& Screen() override { return ScreenDouble; }
  int MessageBox(const std::string& text, const std::string& caption, ui::TMsgButtons buttons,
                 ui::TMsgIcon icon) override;
  int Confirmation(const std::string& text) override;
  void ShellOpen(const std::string& target, const std::string& verb) override;

  FakeApplication App;
  FakeScreen ScreenDouble;
  std::vector<FakeMessageBox> MessageBoxes;
  std::deque<int> MessageBoxResults;
  std::vector<std::string> Confirmations;
  std::deque<int> ConfirmationResults;
  std::vector<FakeShellOpen> ShellOpens;
  std::string ShellFailure;
};

// The main window's controls; the "&Servers" menu starts with its three commands and the
// separator, as the real window's layout has them.
class FakeMainView : public app::IMainView {
 public:
  FakeMainView();
  ui::ITree& tvList() override { return Tree; }
  ui::IListView& lvGroups() override { return Groups; }
  ui::IListView& lvMsgs() override { return Msgs; }
  ui::IListView& lvAtt() override { return Att; }
  ui::IMemo& memMsg() override { return Msg; }
  ui::IMemo& memLog() override { return Log; }
  ui::IStatusBar& barStat() override { return Status; }
  ui::IMenu& mnuServers() override { return Servers; }
  ui::ISaveDialog& dlgSave() override { return Save; }
  int RightPaneHeight() const override { return 420; }
  void Show() override { ++ShowCount; }

  FakeTree Tree;
  FakeListView Groups;
  FakeListView Msgs;
  FakeListView Att;
  FakeMemo Msg;
  FakeMemo Log;
  FakeStatusBar Status;
  FakeMenu Servers;
  FakeSaveDialog Save;
  int ShowCount = 0;
  // Clicks on the fixed "&Servers" commands, by caption.
  std::vector<std::string> CommandClicks;
};

// The subscription dialog's form: ShowModal counts and returns OnShow's result when set,
// else Result.
class FakeSubsView : public dialogs::ISubsView {
 public:
  ui::IListView& lvGroups() override { return Groups; }
  ui::IListView& lvSubs() override { return Subs; }
  int ShowModal() override {
    ++ShowCount;
    return OnShow ? OnShow() : Result;
  }
  FakeListView Groups;
  FakeListView Subs;
  int Result = ui::idCancel;
  int ShowCount = 0;
  std::function<int()> OnShow;
};

}  // namespace qp::test
