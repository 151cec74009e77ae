// The window-system operations the reader's logic and its dialogs rely on, as small abstract
// interfaces. The Qt layer (src/ui/qt) implements them for the real window; the tests use
// in-memory doubles. Every operation runs on the message-loop thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Exception.h"
#include "base/StringList.h"

namespace qp::ui {

// A node of a tree. Owned by its tree; it stays valid until the tree is cleared.
class ITreeNode {
 public:
  virtual ~ITreeNode() = default;
  virtual std::string Text() const = 0;
  virtual void Expand() = 0;
  virtual bool Expanded() const = 0;
  // Position of the node in depth-first order over the whole tree, from 0.
  virtual int AbsoluteIndex() const = 0;
  // True for the first root-level node of the tree.
  virtual bool IsFirstNode() const = 0;
};

// A tree view.
class ITree {
 public:
  virtual ~ITree() = default;
  // Removes every node; references to earlier nodes become invalid.
  virtual void Clear() = 0;
  // Adds a root-level node after the last one.
  virtual ITreeNode& AddRoot(const std::string& caption) = 0;
  // Adds a node after the last child of parent.
  virtual ITreeNode& AddChild(ITreeNode& parent, const std::string& caption) = 0;
  // The selected node, or nullptr.
  virtual ITreeNode* Selected() = 0;
  virtual int Count() const = 0;
};

// A row of a list view. Owned by its list; valid until it is deleted or the list cleared.
class IListItem {
 public:
  virtual ~IListItem() = default;
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void AddSubItem(const std::string& text) = 0;
  virtual std::vector<std::string> SubItems() const = 0;
  // An unsigned number kept with the row (an article number, which may exceed 32 bits).
  virtual uint64_t Data() const = 0;
  virtual void SetData(uint64_t data) = 0;
  // The bytes the row stands for (a group's or an attachment's name exactly as the server
  // sent it), by which the logic finds the group or attachment again; the caption is only
  // what the list shows. Reads as the caption until it is set.
  virtual std::string Key() const = 0;
  virtual void SetKey(const std::string& key) = 0;
  virtual int ImageIndex() const = 0;
  virtual void SetImageIndex(int index) = 0;
  virtual int Index() const = 0;
  virtual bool Selected() const = 0;
};

// A list view (report or icon style).
class IListView {
 public:
  virtual ~IListView() = default;
  // Appends an empty row.
  virtual IListItem& Add() = 0;
  virtual void Clear() = 0;
  virtual int Count() const = 0;
  virtual IListItem& Item(int index) = 0;
  // Later rows move up one index.
  virtual void Delete(int index) = 0;
  // The first selected row, or nullptr.
  virtual IListItem* Selected() = 0;
  virtual int SelCount() const = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
  // Moves the control to the given vertical position within its parent.
  virtual void SetTop(int top) = 0;
  // Brackets a fill of many rows: the list sorts and repaints once, at the outermost
  // EndUpdate, instead of after every row.
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
};

// A multi-line text control. A text added with line breaks (CR LF, LF or CR) makes several
// lines; a final line break adds no empty line.
class IMemo {
 public:
  virtual ~IMemo() = default;
  virtual void Clear() = 0;
  virtual void SetLines(const TStringList& lines) = 0;
  virtual void Add(const std::string& line) = 0;
  virtual void AddStrings(const TStringList& lines) = 0;
  virtual TStringList Lines() const = 0;
};

// A status bar showing one simple text.
class IStatusBar {
 public:
  virtual ~IStatusBar() = default;
  // Shown at once, without waiting for the message loop.
  virtual void SetSimpleText(const std::string& text) = 0;
  virtual std::string SimpleText() const = 0;
};

class IMenuItem;
using TMenuClickEvent = std::function<void(IMenuItem& Sender)>;

// An item of a menu. The caption "-" makes a separator. Radio items with the same group
// index form one group: checking one unchecks the others.
class IMenuItem {
 public:
  virtual ~IMenuItem() = default;
  // The logical caption, exactly as given (no accelerator processing).
  virtual std::string Caption() const = 0;
  virtual bool Checked() const = 0;
  virtual void SetChecked(bool checked) = 0;
  virtual int GroupIndex() const = 0;
  virtual void SetGroupIndex(int groupIndex) = 0;
  virtual bool RadioItem() const = 0;
  virtual void SetRadioItem(bool radioItem) = 0;
  // Runs the click handler, as choosing the item does.
  virtual void Click() = 0;
};

// A menu holding items in order.
class IMenu {
 public:
  virtual ~IMenu() = default;
  // Creates an item that belongs to no menu yet.
  virtual std::unique_ptr<IMenuItem> CreateItem(const std::string& caption,
                                                TMenuClickEvent onClick) = 0;
  // Appends an item made by CreateItem; the menu owns it from now on.
  virtual IMenuItem& Append(std::unique_ptr<IMenuItem> item) = 0;
  virtual int Count() const = 0;
  virtual IMenuItem& Items(int index) = 0;
  // Removes the item from the menu and frees it.
  virtual void Free(int index) = 0;
};

// A form shown modally.
class IForm {
 public:
  virtual ~IForm() = default;
  // The modal result: 1 = OK, 2 = Cancel.
  virtual int ShowModal() = 0;
};

// The file dialog for saving. It asks before replacing an existing file and accepts only a
// name in an existing folder.
class ISaveDialog {
 public:
  virtual ~ISaveDialog() = default;
  virtual void SetFileName(const std::string& fileName) = 0;
  virtual std::string FileName() const = 0;
  // True when a name was chosen.
  virtual bool Execute() = 0;
};

// Controls of dialogs. Their events report what the user did (typing, clicking, choosing);
// setting a value from the program raises none. A handler's failure is shown by the
// top-level error report.
using TNotifyEvent = std::function<void()>;

class IControl {
 public:
  virtual ~IControl() = default;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
};

// Undecided (cbGrayed) is shown for a value that is not set.
enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// The state a click gives a check box in the state given: a checked box becomes unchecked,
// an unchecked or undecided one checked. A click never makes a box undecided.
constexpr TCheckBoxState NextCheckState(TCheckBoxState state) {
  return state == TCheckBoxState::cbChecked ? TCheckBoxState::cbUnchecked
                                            : TCheckBoxState::cbChecked;
}

class ICheckBox : public IControl {
 public:
  // True only for cbChecked.
  virtual bool Checked() const = 0;
  virtual void SetChecked(bool checked) = 0;
  virtual TCheckBoxState State() const = 0;
  virtual void SetState(TCheckBoxState state) = 0;
  // Runs after a click has moved the state on (NextCheckState).
  virtual void SetOnClick(TNotifyEvent onClick) = 0;
};

// A drop-down list whose items the form fills.
class IComboBox : public IControl {
 public:
  // -1 = nothing chosen.
  virtual int ItemIndex() const = 0;
  virtual void SetItemIndex(int index) = 0;
  // Runs after the user chose an item.
  virtual void SetOnChange(TNotifyEvent onChange) = 0;
};

// A one-line text edit.
class IEdit : public IControl {
 public:
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  // The most characters the user can type; 0 = no limit.
  virtual void SetMaxLength(int maxLength) = 0;
  // When set, the user can type only the digits 0 to 9.
  virtual void SetNumbersOnly(bool numbersOnly) = 0;
  // Runs after the user changed the text.
  virtual void SetOnChange(TNotifyEvent onChange) = 0;
};

// A list of images of one size, reached by position from 0. The window layer holds the
// images; the logic needs only how many there are.
class IImageList {
 public:
  virtual ~IImageList() = default;
  virtual int Count() const = 0;
};

enum class TCursor { crDefault, crHourGlass };

// The screen: the cursor shown over every window of the program.
class IScreen {
 public:
  virtual ~IScreen() = default;
  virtual void SetCursor(TCursor cursor) = 0;
  virtual TCursor Cursor() const = 0;
};

// The application object.
class IApplication {
 public:
  virtual ~IApplication() = default;
  // Processes every pending window-system message, then returns.
  virtual void ProcessMessages() = 0;
  virtual std::string Title() const = 0;
  virtual void SetTitle(const std::string& title) = 0;
  // Closes the main window, which ends the message loop.
  virtual void CloseMainWindow() = 0;
  // Runs the message loop until the main window closes; returns the exit code.
  virtual int Run() = 0;
};

enum class TMsgButtons { mbOK, mbYesNo, mbOKCancel };
enum class TMsgIcon { miNone, miError, miQuestion, miInformation };

// Results of message boxes and modal forms.
constexpr int idOK = 1;
constexpr int idCancel = 2;
constexpr int idYes = 6;
constexpr int idNo = 7;

// The shell could not open a file or URL; the message is the system's text for it.
class EShellError : public Exception {
 public:
  using Exception::Exception;
};

// The operations that do not belong to one window.
class IWindowSystem {
 public:
  virtual ~IWindowSystem() = default;
  virtual IApplication& Application() = 0;
  virtual IScreen& Screen() = 0;
  // Returns idOK, idCancel, idYes or idNo.
  virtual int MessageBox(const std::string& text, const std::string& caption, TMsgButtons buttons,
                         TMsgIcon icon) = 0;
  // Asks with OK and Cancel; returns idOK or idCancel.
  virtual int Confirmation(const std::string& text) = 0;
  // Opens a file path or URL with the verb ("open", or "" for the default) in a normal
  // window. Throws EShellError when the shell cannot.
  virtual void ShellOpen(const std::string& target, const std::string& verb) = 0;
};

}  // namespace qp::ui
