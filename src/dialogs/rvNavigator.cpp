#include "dialogs/rvNavigator.h"

#include <algorithm>

#include "base/SysUtils.h"

namespace qp::dialogs {

namespace {

constexpr const char* kButtonNames[kNavButtonCount] = {
    "First", "Prior", "Next", "Last", "Insert", "Delete", "Edit", "Post", "Cancel", "Refresh"};

// Holding prior or next clicks again after 400 ms, then every 100 ms.
constexpr int64_t kInitialRepeatPause = 400;
constexpr int64_t kRepeatPause = 100;

// The focus rectangle sits this far inside the focused button.
constexpr int kFocusInset = 3;

}  // namespace

std::string GlyphResourceName(TrvNavigateBtn button) {
  return "RV_" + UpperCase(kButtonNames[button]);
}

std::string DefaultHint(TrvNavigateBtn button) {
  return kButtonNames[button];
}

TrvNavDataLink::~TrvNavDataLink() = default;

void TrvNavDataLink::ActiveChanged() {
  FNavigator.ActiveChanged();
}

void TrvNavDataLink::EditingChanged() {
  FNavigator.EditingChanged();
}

void TrvNavDataLink::DataSetChanged() {
  FNavigator.DataChanged();
}

TrvNavigator::TrvNavigator(ui::IWindowSystem& windowSystem)
    : FWindowSystem(windowSystem), FDataLink(*this) {
  int x = 0;
  for (int i = 0; i < kNavButtonCount; ++i) {
    TrvNavButton& button = FButtons[static_cast<std::size_t>(i)];
    button.FIndex = static_cast<TrvNavigateBtn>(i);
    button.FAllowTimer = button.FIndex == nbPrior || button.FIndex == nbNext;
    button.FVisible = FVisibleButtons.Contains(button.FIndex);
    button.FBounds = {x, 0, kMinButtonWidth, kMinButtonHeight};
    x += kMinButtonWidth;
  }
  ApplyHints();
  ActiveChanged();
}

TrvNavigator::~TrvNavigator() {
  OnChanged = nullptr;
}

void TrvNavigator::Changed() {
  if (OnChanged) OnChanged();
}

void TrvNavigator::SetDataSource(TDataSource* dataSource) {
  FDataLink.SetDataSource(dataSource);
}

void TrvNavigator::SetVisibleButtons(TrvButtonSet buttons) {
  FVisibleButtons = buttons;
  for (TrvNavButton& button : FButtons) button.FVisible = buttons.Contains(button.FIndex);
  SetBounds(FWidth, FHeight);
}

void TrvNavigator::SetOrientation(TOrientation orientation) {
  if (orientation == FOrientation) return;
  FOrientation = orientation;
  SetBounds(FHeight, FWidth);
}

void TrvNavigator::SetAlign(TAlign align) {
  if ((align == alLeft || align == alRight) && FOrientation == noHorizontal) {
    SetOrientation(noVertical);
  } else if ((align == alTop || align == alBottom) && FOrientation == noVertical) {
    SetOrientation(noHorizontal);
  }
  FAlign = align;
  Changed();
}

void TrvNavigator::SetFlat(bool flat) {
  FFlat = flat;
  Changed();
}

void TrvNavigator::SetHints(const TStringList& hints) {
  FHints = hints;
  ApplyHints();
  Changed();
}

void TrvNavigator::ApplyHints() {
  for (TrvNavButton& button : FButtons) button.FHint = DefaultHint(button.FIndex);
  for (int i = 0; i < std::min(FHints.Count(), kNavButtonCount); ++i) {
    if (!FHints[i].empty()) FButtons[static_cast<std::size_t>(i)].FHint = FHints[i];
  }
}

void TrvNavigator::SetGlyphs(ui::IImageList* glyphs) {
  FGlyphs = glyphs;
  GlyphsChanged();
}

void TrvNavigator::GlyphsChanged() {
  ApplyGlyphs();
  Changed();
}

void TrvNavigator::ApplyGlyphs() {
  const int count = FGlyphs != nullptr ? FGlyphs->Count() : 0;
  for (int i = 0; i < kNavButtonCount; ++i) {
    FButtons[static_cast<std::size_t>(i)].FGlyphIndex = count > i ? i : -1;
  }
}

void TrvNavigator::Notification(const void* component) {
  if (component == nullptr) return;
  if (component == FGlyphs) SetGlyphs(nullptr);
  if (component == DataSource()) SetDataSource(nullptr);
}

void TrvNavigator::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  ActiveChanged();
}

bool TrvNavigator::Usable() const {
  return FEnabled && FDataLink.Active();
}

void TrvNavigator::SetButtonEnabled(TrvNavigateBtn index, bool enabled) {
  TrvNavButton& button = FButtons[index];
  button.FEnabled = enabled;
  // A disabled button lets go: it is no longer down and repeats no more.
  if (!enabled && FPressed == index) {
    button.FDown = false;
    FPressed.reset();
    StopRepeat();
  }
}

void TrvNavigator::DataChanged() {
  const bool usable = Usable();
  const store::TDataSet* dataSet = usable ? FDataLink.DataSet() : nullptr;
  const bool bof = dataSet == nullptr || dataSet->Bof();
  const bool eof = dataSet == nullptr || dataSet->Eof();
  SetButtonEnabled(nbFirst, usable && !bof);
  SetButtonEnabled(nbPrior, usable && !bof);
  SetButtonEnabled(nbNext, usable && !eof);
  SetButtonEnabled(nbLast, usable && !eof);
  SetButtonEnabled(nbDelete, usable && dataSet->CanModify() && !(bof && eof));
  Changed();
}

void TrvNavigator::EditingChanged() {
  const bool modifiable = Usable() && FDataLink.DataSet()->CanModify();
  const bool editing = FDataLink.Editing();
  SetButtonEnabled(nbInsert, modifiable);
  SetButtonEnabled(nbEdit, modifiable && !editing);
  SetButtonEnabled(nbPost, modifiable && editing);
  SetButtonEnabled(nbCancel, modifiable && editing);
  SetButtonEnabled(nbRefresh, modifiable);
  Changed();
}

void TrvNavigator::ActiveChanged() {
  if (!Usable()) {
    for (TrvNavButton& button : FButtons) SetButtonEnabled(button.FIndex, false);
    Changed();
    return;
  }
  DataChanged();
  EditingChanged();
}

void TrvNavigator::Layout(int& width, int& height) {
  int count = 0;
  for (const TrvNavButton& button : FButtons) count += button.FVisible ? 1 : 0;
  if (count == 0) count = 1;
  // Along the bar and across it: width and height for a horizontal bar, exchanged for a
  // vertical one.
  const bool horizontal = FOrientation == noHorizontal;
  int& along = horizontal ? width : height;
  int& across = horizontal ? height : width;
  along = std::max(along, count * kMinButtonWidth);
  across = std::max(across, kMinButtonHeight);
  FButtonWidth = along / count;
  if (FAlign == alNone) along = count * FButtonWidth;

  // The pixels left over go one each to buttons spread over the bar.
  const int remain = along - count * FButtonWidth;
  int spread = count / 2;
  int position = 0;
  const int barAlong = horizontal ? FWidth : FHeight;
  const int barAcross = horizontal ? FHeight : FWidth;
  for (TrvNavButton& button : FButtons) {
    int start = barAlong + 1;
    int length = FButtonWidth;
    if (button.FVisible) {
      int extra = 0;
      if (remain != 0) {
        spread -= remain;
        if (spread < 0) {
          spread += count;
          extra = 1;
        }
      }
      start = position;
      length = FButtonWidth + extra;
      position += length;
    }
    button.FBounds =
        horizontal ? TNavRect{start, 0, length, barAcross} : TNavRect{0, start, barAcross, length};
  }
}

void TrvNavigator::SetBounds(int width, int height) {
  FWidth = width;
  FHeight = height;
  int w = width;
  int h = height;
  Layout(w, h);
  if (w != FWidth || h != FHeight) {
    // The bar takes the corrected size; the buttons then span its new height.
    FWidth = w;
    FHeight = h;
    Layout(w, h);
  }
  Changed();
}

void TrvNavigator::Loaded() {
  SetBounds(FWidth, FHeight);
}

void TrvNavigator::BtnClick(TrvNavigateBtn button) {
  store::TDataSet* dataSet = FDataLink.DataSet();
  if (dataSet != nullptr && dataSet->Active()) {
    bool doOperation = true;
    if (BeforeAction) BeforeAction(*this, button, doOperation);
    if (doOperation) {
      switch (button) {
        case nbFirst:
          dataSet->First();
          break;
        case nbPrior:
          dataSet->Prior();
          break;
        case nbNext:
          dataSet->Next();
          break;
        case nbLast:
          dataSet->Last();
          break;
        case nbInsert:
          dataSet->Insert();
          break;
        case nbDelete:
          if (!ConfirmDelete || FWindowSystem.Confirmation(ConfirmText) != ui::idCancel) {
            dataSet->Delete();
          }
          break;
        case nbEdit:
          dataSet->Edit();
          break;
        case nbPost:
          dataSet->Post();
          break;
        case nbCancel:
          dataSet->Cancel();
          break;
        case nbRefresh:
          dataSet->Refresh();
          break;
      }
      // A move past the first or last row changes no row, so the dataset tells nobody;
      // the bar still has to show that it reached the end.
      ActiveChanged();
    }
  }
  if (OnClick) OnClick(*this, button);
}

void TrvNavigator::SetFocused(bool focused) {
  FFocused = focused;
  Changed();
}

bool TrvNavigator::KeyDown(TNavKey key) {
  switch (key) {
    case TNavKey::Space:
      if (FButtons[FFocusedButton].FEnabled) BtnClick(FFocusedButton);
      return true;
    case TNavKey::Right:
      MoveFocus(+1);
      return true;
    case TNavKey::Left:
      MoveFocus(-1);
      return true;
  }
  return false;
}

void TrvNavigator::MoveFocus(int step) {
  // To the nearest visible button that way, or to the last button that way when none is
  // visible (which may be a hidden one).
  const int end = step > 0 ? nbRefresh : nbFirst;
  int next = FFocusedButton;
  do {
    if (next != end) next += step;
  } while (next != end && !FButtons[static_cast<std::size_t>(next)].FVisible);
  FFocusedButton = static_cast<TrvNavigateBtn>(next);
  Changed();
}

std::optional<TNavRect> TrvNavigator::FocusRect() const {
  if (!FFocused) return std::nullopt;
  const TrvNavButton& button = FButtons[FFocusedButton];
  TNavRect rect{button.FBounds.Left + kFocusInset, button.FBounds.Top + kFocusInset,
                button.FBounds.Width - 2 * kFocusInset, button.FBounds.Height - 2 * kFocusInset};
  if (button.FDown) {
    ++rect.Left;
    ++rect.Top;
  }
  return rect;
}

std::optional<TrvNavigateBtn> TrvNavigator::ButtonAt(int x, int y) const {
  for (const TrvNavButton& button : FButtons) {
    if (button.FVisible && button.FBounds.Contains(x, y)) return button.FIndex;
  }
  return std::nullopt;
}

bool TrvNavigator::MouseDown(int x, int y, int64_t nowMs) {
  const std::optional<TrvNavigateBtn> index = ButtonAt(x, y);
  if (!index || !FButtons[*index].FEnabled) return false;
  TrvNavButton& button = FButtons[*index];
  FPressed = *index;
  button.FDown = true;
  FFocusedButton = *index;
  if (button.FAllowTimer) FRepeatDue = nowMs + kInitialRepeatPause;
  Changed();
  return true;
}

void TrvNavigator::MouseMove(int x, int y) {
  if (!FPressed) return;
  TrvNavButton& button = FButtons[*FPressed];
  const bool over = button.FBounds.Contains(x, y);
  if (over == button.FDown) return;
  button.FDown = over;
  Changed();
}

void TrvNavigator::MouseUp(int x, int y) {
  if (!FPressed) return;
  const TrvNavigateBtn index = *FPressed;
  TrvNavButton& button = FButtons[index];
  const bool click = button.FDown && button.FBounds.Contains(x, y);
  button.FDown = false;
  FPressed.reset();
  StopRepeat();
  Changed();
  if (click) BtnClick(index);
}

std::optional<int64_t> TrvNavigator::RepeatDue() const {
  return FRepeatDue;
}

void TrvNavigator::StopRepeat() {
  FRepeatDue.reset();
}

void TrvNavigator::RepeatTick(int64_t nowMs) {
  if (!FRepeatDue || nowMs < *FRepeatDue) return;
  FRepeatDue = nowMs + kRepeatPause;
  if (!FPressed || !FButtons[*FPressed].FDown) return;
  try {
    BtnClick(*FPressed);
  } catch (...) {
    StopRepeat();
    throw;
  }
}

}  // namespace qp::dialogs
