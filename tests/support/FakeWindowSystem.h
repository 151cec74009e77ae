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
#include "dialogs/Options.h"
#include "dialogs/Sites.h"
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
  std::string Key() const override { return FKey ? *FKey : FCaption; }
  void SetKey(const std::string& key) override { FKey = key; }
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
  std::optional<std::string> FKey;
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

// A label or any other control that is only enabled and disabled.
class FakeControl : public ui::IControl {
 public:
  void SetEnabled(bool enabled) override { FEnabled = enabled; }
  bool Enabled() const override { return FEnabled; }

 private:
  bool FEnabled = true;
};

// Click does what a click by the user does: the state moves on, then OnClick runs.
class FakeCheckBox : public ui::ICheckBox {
 public:
  void SetEnabled(bool enabled) override { FEnabled = enabled; }
  bool Enabled() const override { return FEnabled; }
  bool Checked() const override { return FState == ui::TCheckBoxState::cbChecked; }
  void SetChecked(bool checked) override {
    FState = checked ? ui::TCheckBoxState::cbChecked : ui::TCheckBoxState::cbUnchecked;
  }
  ui::TCheckBoxState State() const override { return FState; }
  void SetState(ui::TCheckBoxState state) override { FState = state; }
  void SetOnClick(ui::TNotifyEvent onClick) override { FOnClick = std::move(onClick); }

  void Click();

 private:
  bool FEnabled = true;
  ui::TCheckBoxState FState = ui::TCheckBoxState::cbUnchecked;
  ui::TNotifyEvent FOnClick;
};

// Choose does what the user's choice does: the index changes, then OnChange runs.
class FakeComboBox : public ui::IComboBox {
 public:
  void SetEnabled(bool enabled) override { FEnabled = enabled; }
  bool Enabled() const override { return FEnabled; }
  int ItemIndex() const override { return FItemIndex; }
  void SetItemIndex(int index) override { FItemIndex = index; }
  void SetOnChange(ui::TNotifyEvent onChange) override { FOnChange = std::move(onChange); }

  void Choose(int index);

 private:
  bool FEnabled = true;
  int FItemIndex = -1;
  ui::TNotifyEvent FOnChange;
};

// Type does what typing does: a text with other characters than digits is refused when the
// edit takes numbers only, a longer one is cut to MaxLength characters, then OnChange runs.
class FakeEdit : public ui::IEdit {
 public:
  void SetEnabled(bool enabled) override { FEnabled = enabled; }
  bool Enabled() const override { return FEnabled; }
  std::string Text() const override { return FText; }
  void SetText(const std::string& text) override { FText = text; }
  void SetMaxLength(int maxLength) override { MaxLength = maxLength; }
  void SetNumbersOnly(bool numbersOnly) override { NumbersOnly = numbersOnly; }
  void SetOnChange(ui::TNotifyEvent onChange) override { FOnChange = std::move(onChange); }

  // Replaces the whole text as typed; false when the edit refused it.
  bool Type(const std::string& text);

  int MaxLength = 0;
  bool NumbersOnly = false;

 private:
  bool FEnabled = true;
  std::string FText;
  ui::TNotifyEvent FOnChange;
};

class FakeImageList : public ui::IImageList {
 public:
  int Count() const override { return ImageCount; }
  int ImageCount = 0;
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
  void SetCaption(const std::string& caption) override { Caption = caption; }

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
  std::string Caption = "Quillpost";
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

// The site dialog's form: ShowModal counts and returns OnShow's result when set, else Result.
class FakeSitesView : public dialogs::ISitesView {
 public:
  ui::IEdit& dbSiteName() override { return SiteName; }
  ui::IEdit& dbURL() override { return URL; }
  ui::ICheckBox& dbActive() override { return Active; }
  ui::IEdit& db() override { return ServerName; }
  ui::IEdit& dbAddress() override { return Address; }
  ui::IEdit& dbPort() override { return Port; }
  ui::ICheckBox& dbAuthenticate() override { return Authenticate; }
  ui::IControl& lblLogin() override { return LoginLabel; }
  ui::IEdit& dbLogin() override { return Login; }
  ui::IControl& lblPass() override { return PassLabel; }
  ui::IEdit& dbPass() override { return Pass; }
  int ShowModal() override {
    ++ShowCount;
    return OnShow ? OnShow() : Result;
  }

  FakeEdit SiteName, URL, ServerName, Address, Port, Login, Pass;
  FakeCheckBox Active, Authenticate;
  FakeControl LoginLabel, PassLabel;
  int Result = ui::idOK;
  int ShowCount = 0;
  std::function<int()> OnShow;
};

// The options dialog's form: ShowModal counts and returns OnShow's result when set, else
// Result.
class FakeOptionsView : public dialogs::IOptionsView {
 public:
  ui::ICheckBox& chkPasv() override { return Pasv; }
  ui::ICheckBox& chkSocks() override { return Socks; }
  ui::IControl& lblVersion() override { return VersionLabel; }
  ui::IComboBox& cmbVersion() override { return Version; }
  ui::IControl& lblHost() override { return HostLabel; }
  ui::IEdit& edHost() override { return Host; }
  ui::IControl& lblPort() override { return PortLabel; }
  ui::IEdit& edPort() override { return Port; }
  ui::IControl& lblAuth() override { return AuthLabel; }
  ui::IComboBox& cmbAuth() override { return Auth; }
  ui::IControl& lblUser() override { return UserLabel; }
  ui::IEdit& edUser() override { return User; }
  ui::IControl& lblPass() override { return PassLabel; }
  ui::IEdit& edPass() override { return Pass; }
  int ShowModal() override {
    ++ShowCount;
    return OnShow ? OnShow() : Result;
  }

  FakeCheckBox Pasv, Socks;
  FakeComboBox Version, Auth;
  FakeEdit Host, Port, User, Pass;
  FakeControl VersionLabel, HostLabel, PortLabel, AuthLabel, UserLabel, PassLabel;
  int Result = ui::idCancel;
  int ShowCount = 0;
  std::function<int()> OnShow;
};

}  // namespace qp::test
