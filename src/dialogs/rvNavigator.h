// The record navigator bar: up to ten small buttons that move through and edit the rows of
// the dataset behind a data source.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

#include "base/StringList.h"
#include "dialogs/DataSource.h"
#include "ui/WindowSystem.h"

namespace qp::dialogs {

// The buttons, in the order they sit on the bar.
enum TrvNavigateBtn {
  nbFirst,
  nbPrior,
  nbNext,
  nbLast,
  nbInsert,
  nbDelete,
  nbEdit,
  nbPost,
  nbCancel,
  nbRefresh
};
constexpr int kNavButtonCount = 10;

// A set of buttons.
class TrvButtonSet {
 public:
  constexpr TrvButtonSet() = default;
  constexpr TrvButtonSet(std::initializer_list<TrvNavigateBtn> buttons) {
    for (TrvNavigateBtn button : buttons) Include(button);
  }
  static constexpr TrvButtonSet All() {
    TrvButtonSet all;
    all.FBits = (1u << kNavButtonCount) - 1;
    return all;
  }
  constexpr bool Contains(TrvNavigateBtn button) const { return (FBits >> button) & 1u; }
  constexpr void Include(TrvNavigateBtn button) { FBits |= 1u << button; }
  constexpr void Exclude(TrvNavigateBtn button) { FBits &= ~(1u << button); }
  constexpr bool operator==(const TrvButtonSet&) const = default;

 private:
  unsigned FBits = 0;
};

enum TOrientation { noHorizontal, noVertical };

// Where a control sits in its parent: alNone keeps its own place and size.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// Keys the bar acts on while it has the focus.
enum class TNavKey { Left, Right, Space };

// A rectangle in the bar's own pixels.
struct TNavRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool Contains(int x, int y) const {
    return x >= Left && x < Left + Width && y >= Top && y < Top + Height;
  }
  bool operator==(const TNavRect&) const = default;
};

class TrvNavigator;

// One button of the bar: where it sits, whether it is shown and usable, its hint and which
// glyph it shows. Owned by its navigator.
class TrvNavButton {
 public:
  TrvNavigateBtn Index() const { return FIndex; }
  // Prior and next repeat while held down.
  bool AllowTimer() const { return FAllowTimer; }
  bool Visible() const { return FVisible; }
  bool Enabled() const { return FEnabled; }
  // Held down with the mouse over it.
  bool Down() const { return FDown; }
  const TNavRect& Bounds() const { return FBounds; }
  const std::string& Hint() const { return FHint; }
  // The image of the navigator's Glyphs that the button shows, or -1 for its own glyph
  // (GlyphResourceName). Each glyph has a normal and a disabled look.
  int GlyphIndex() const { return FGlyphIndex; }

 private:
  friend class TrvNavigator;
  TrvNavigateBtn FIndex = nbFirst;
  bool FAllowTimer = false;
  bool FVisible = true;
  bool FEnabled = false;
  bool FDown = false;
  TNavRect FBounds;
  std::string FHint;
  int FGlyphIndex = -1;
};

// The navigator's link to its data source: opening or closing the dataset updates every
// button, starting or ending an edit the editing buttons, a move or a changed value the
// position buttons.
class TrvNavDataLink : public TDataLink {
 public:
  explicit TrvNavDataLink(TrvNavigator& navigator) : FNavigator(navigator) {}
  ~TrvNavDataLink() override;

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void DataSetChanged() override;

 private:
  TrvNavigator& FNavigator;
};

using rvBeforeClick =
    std::function<void(TrvNavigator& Sender, TrvNavigateBtn Button, bool& DoOperation)>;
using rvNavClick = std::function<void(TrvNavigator& Sender, TrvNavigateBtn Button)>;

// The name of a button's own glyph: "RV_" and the button's name in capitals without its
// "nb" ("RV_FIRST" for nbFirst).
std::string GlyphResourceName(TrvNavigateBtn button);
// The hint a button has unless Hints replaces it ("First", ..., "Refresh").
std::string DefaultHint(TrvNavigateBtn button);

// The bar's logic: properties, the enabling rules, the action of each button, the layout of
// the buttons over the bar's size, keyboard focus and the repeat of a held button. The
// window layer draws the bar from this state (OnChanged asks it to), forwards the mouse,
// the keys, its size and a clock in milliseconds, and runs RepeatTick when RepeatDue says.
// A new bar is 241 by 25 pixels with all ten buttons, 20 by 18 each, side by side; the
// layout runs when the window layer calls Loaded or SetBounds. Owned by its dialog; main
// thread only; the window system must outlive it.
class TrvNavigator {
 public:
  explicit TrvNavigator(ui::IWindowSystem& windowSystem);
  ~TrvNavigator();
  TrvNavigator(const TrvNavigator&) = delete;
  TrvNavigator& operator=(const TrvNavigator&) = delete;

  static constexpr int kMinButtonWidth = 20;
  static constexpr int kMinButtonHeight = 18;

  const TrvNavButton& Buttons(TrvNavigateBtn button) const { return FButtons[button]; }

  TDataSource* DataSource() const { return FDataLink.DataSource(); }
  void SetDataSource(TDataSource* dataSource);
  TrvButtonSet VisibleButtons() const { return FVisibleButtons; }
  void SetVisibleButtons(TrvButtonSet buttons);
  TOrientation Orientation() const { return FOrientation; }
  // Exchanges the bar's width and height, then lays it out again.
  void SetOrientation(TOrientation orientation);
  TAlign Align() const { return FAlign; }
  // alLeft or alRight make a horizontal bar vertical, alTop or alBottom a vertical one
  // horizontal. The window layer places an aligned bar in its parent.
  void SetAlign(TAlign align);
  bool Flat() const { return FFlat; }
  void SetFlat(bool flat);
  const TStringList& Hints() const { return FHints; }
  // A non-empty line i (of the first ten) replaces the hint of button i.
  void SetHints(const TStringList& hints);
  ui::IImageList* Glyphs() const { return FGlyphs; }
  // Button i shows image i of the list when the list has more than i images, else its own.
  void SetGlyphs(ui::IImageList* glyphs);
  // The images of the list changed: every button takes its own glyph again, then the list's.
  void GlyphsChanged();
  // Something the navigator refers to is going away: a data source or an image list that
  // it uses is cleared.
  void Notification(const void* component);

  bool ConfirmDelete = true;
  std::string ConfirmText = "Delete record?";
  rvBeforeClick BeforeAction;
  rvNavClick OnClick;
  // The window layer redraws the bar.
  std::function<void()> OnChanged;
  // Expires when the navigator is destroyed, so a window that draws it can tell.
  std::weak_ptr<const void> Lifetime() const { return FLifetime; }

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // The width (or height, when vertical) each visible button got from the last layout.
  int ButtonWidth() const { return FButtonWidth; }
  // The bar is offered a size: it corrects it (at least 20 by 18 per visible button; without
  // an alignment a whole number of buttons wide), takes it and lays the buttons out.
  void SetBounds(int width, int height);
  // The form is built: lay the buttons out over the bar's size.
  void Loaded();

  // Runs the button's action on the dataset (asking first for a delete), then OnClick; also
  // when the button is disabled or hidden. Failures of the dataset pass on.
  void BtnClick(TrvNavigateBtn button);

  // Keyboard: the focused button is initially nbFirst.
  TrvNavigateBtn FocusedButton() const { return FFocusedButton; }
  bool Focused() const { return FFocused; }
  void SetFocused(bool focused);
  // Left and Right move the focus, Space clicks the focused button if it is enabled.
  // Returns whether the key was the bar's.
  bool KeyDown(TNavKey key);
  // Where the focus rectangle goes: 3 pixels inside the focused button, shifted down and
  // right by one while it is down; nothing while the bar has no focus.
  std::optional<TNavRect> FocusRect() const;

  // The visible button at x, y, if any.
  std::optional<TrvNavigateBtn> ButtonAt(int x, int y) const;
  // A press at x, y, at time nowMs. On an enabled button it holds the button down, makes it
  // the focused button and, for prior and next, starts the repeat. Returns whether a
  // button was pressed (the window layer then gives the bar the focus).
  bool MouseDown(int x, int y, int64_t nowMs);
  // The held button is down only while the pointer is over it.
  void MouseMove(int x, int y);
  // Releasing clicks the held button when the pointer is still over it, and stops the
  // repeat.
  void MouseUp(int x, int y);
  // When the next repeat tick is due, or nothing when no button repeats.
  std::optional<int64_t> RepeatDue() const;
  // A tick at nowMs: when due, the interval becomes 100 ms and a button still down is
  // clicked again. A failure of that click stops the repeat and passes on.
  void RepeatTick(int64_t nowMs);

  // The enabling rules, as the data link asks for them.
  void ActiveChanged();
  void EditingChanged();
  void DataChanged();

 private:
  void Changed();
  void Layout(int& width, int& height);
  void ApplyHints();
  void ApplyGlyphs();
  void SetButtonEnabled(TrvNavigateBtn button, bool enabled);
  // Moves the focus one visible button forward (+1) or back (-1).
  void MoveFocus(int step);
  void StopRepeat();
  bool Usable() const;

  ui::IWindowSystem& FWindowSystem;
  std::array<TrvNavButton, kNavButtonCount> FButtons;
  TrvNavDataLink FDataLink;
  TrvButtonSet FVisibleButtons = TrvButtonSet::All();
  TOrientation FOrientation = noHorizontal;
  TAlign FAlign = alNone;
  bool FFlat = false;
  TStringList FHints;
  ui::IImageList* FGlyphs = nullptr;
  bool FEnabled = true;
  int FWidth = 241;
  int FHeight = 25;
  int FButtonWidth = kMinButtonWidth;
  TrvNavigateBtn FFocusedButton = nbFirst;
  bool FFocused = false;
  std::optional<TrvNavigateBtn> FPressed;
  std::optional<int64_t> FRepeatDue;
  std::shared_ptr<const void> FLifetime = std::make_shared<int>(0);
};

}  // namespace qp::dialogs
