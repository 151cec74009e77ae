#include "dialogs/DBControls.h"

#include <climits>

#include "base/SysUtils.h"

namespace qp::dialogs {

namespace {

// Clears a flag on every way out of a write.
class TFlagGuard {
 public:
  explicit TFlagGuard(bool& flag) : FFlag(flag) { FFlag = true; }
  ~TFlagGuard() { FFlag = false; }
  TFlagGuard(const TFlagGuard&) = delete;
  TFlagGuard& operator=(const TFlagGuard&) = delete;

 private:
  bool& FFlag;
};

}  // namespace

TDBEdit::TDBEdit(ui::IEdit& control, TDataSource& dataSource, std::string fieldName)
    : FControl(control) {
  FLink.FieldName = std::move(fieldName);
  FLink.OnDataChange = [this] { DataChange(); };
  FControl.SetOnChange([this] { Change(); });
  FLink.SetDataSource(&dataSource);
}

void TDBEdit::DataChange() {
  // The field's own echo of a write would put back what the user is typing, reformatted
  // ("0119" as "119").
  if (FWriting) return;
  store::TField* field = FLink.Field();
  const bool isString = field != nullptr && field->DataType() == store::TFieldType::ftString;
  const bool isInteger = field != nullptr && field->DataType() == store::TFieldType::ftInteger;
  FControl.SetMaxLength(isString ? field->Size() : 0);
  FControl.SetNumbersOnly(isInteger);
  FShown = field != nullptr ? field->AsString() : std::string();
  FControl.SetText(FShown);
}

void TDBEdit::Change() {
  // Read first: starting a row on an empty dataset shows the new row's empty values.
  const std::string text = FControl.Text();
  store::TField* field = FLink.Field();
  if (field == nullptr) {
    FControl.SetText(FShown);
    return;
  }
  try {
    if (field->DataType() == store::TFieldType::ftInteger && !Trim(text).empty()) {
      int64_t value = 0;
      if (!TryStrToInt64(Trim(text), value) || value < INT_MIN || value > INT_MAX) {
        throw store::EDatabaseError(Format("'%s' is not a valid integer value for field '%s'",
                                           text.c_str(), field->FieldName().c_str()));
      }
    }
    {
      const TFlagGuard writing(FWriting);
      FLink.Edit();
      field->SetAsString(text);
    }
    FShown = text;
    // A text the field had to cut (its size counts bytes, and a character may take
    // several) is shown as stored.
    if (field->DataType() == store::TFieldType::ftString && field->AsString() != text) {
      DataChange();
    }
  } catch (...) {
    // What was not written is not shown either.
    FControl.SetText(FShown);
    throw;
  }
}

TDBCheckBox::TDBCheckBox(ui::ICheckBox& control, TDataSource& dataSource, std::string fieldName)
    : FControl(control) {
  FLink.FieldName = std::move(fieldName);
  FLink.OnDataChange = [this] { DataChange(); };
  FControl.SetOnClick([this] { Click(); });
  FLink.SetDataSource(&dataSource);
}

void TDBCheckBox::Show(ui::TCheckBoxState state) {
  FControl.SetState(state);
  if (state == FState) return;
  FState = state;
  if (OnClick) OnClick();
}

void TDBCheckBox::DataChange() {
  if (FWriting) return;
  store::TField* field = FLink.Field();
  ui::TCheckBoxState state = ui::TCheckBoxState::cbGrayed;
  if (field == nullptr) {
    state = ui::TCheckBoxState::cbUnchecked;
  } else if (!field->IsNull()) {
    try {
      state = field->AsBoolean() ? ui::TCheckBoxState::cbChecked : ui::TCheckBoxState::cbUnchecked;
    } catch (const store::EDatabaseError&) {
      // A stored text that is no boolean shows as undecided, as no value does.
    }
  }
  Show(state);
}

void TDBCheckBox::Click() {
  const ui::TCheckBoxState clicked = FControl.State();
  if (FLink.Field() == nullptr) {
    FControl.SetState(FState);
    return;
  }
  try {
    const TFlagGuard writing(FWriting);
    FLink.Edit();
    FLink.Field()->SetAsBoolean(clicked == ui::TCheckBoxState::cbChecked);
  } catch (...) {
    FControl.SetState(FState);
    throw;
  }
  DataChange();
}

}  // namespace qp::dialogs
