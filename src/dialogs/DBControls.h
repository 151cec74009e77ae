// Controls bound to a field of a data source's current row: they show the field's value and
// write what the user types or clicks into it.
#pragma once

#include <string>

#include "dialogs/DataSource.h"
#include "ui/WindowSystem.h"

namespace qp::dialogs {

// An edit bound to a field. It shows the field as text ("" for no value or no field). A
// string field limits the text to the field's size; an integer field takes only digits.
// Typing puts the dataset into edit mode and writes the text into the field at once. The
// control must outlive it. Owned by its dialog; main thread only.
class TDBEdit {
 public:
  TDBEdit(ui::IEdit& control, TDataSource& dataSource, std::string fieldName);
  TDBEdit(const TDBEdit&) = delete;
  TDBEdit& operator=(const TDBEdit&) = delete;

  ui::IEdit& Control() const { return FControl; }
  // What the user typed is in the control. Writes it into the field; throws EDatabaseError
  // when the dataset cannot be edited or the text is no value of the field (an integer
  // beyond 32 bits). Without an open dataset the control goes back to what it showed.
  void Change();

 private:
  void DataChange();

  ui::IEdit& FControl;
  TFieldDataLink FLink;
  std::string FShown;
  bool FWriting = false;
};

// A check box bound to a boolean field: checked for true, unchecked for false, undecided
// when the field has no value (or a text that is no boolean). A click puts the dataset into
// edit mode and writes true or false. OnClick runs whenever the shown state changes, by a
// click or by the current row. The control must outlive it. Owned by its dialog; main
// thread only.
class TDBCheckBox {
 public:
  TDBCheckBox(ui::ICheckBox& control, TDataSource& dataSource, std::string fieldName);
  TDBCheckBox(const TDBCheckBox&) = delete;
  TDBCheckBox& operator=(const TDBCheckBox&) = delete;

  ui::ICheckBox& Control() const { return FControl; }
  ui::TCheckBoxState State() const { return FState; }
  bool Checked() const { return FState == ui::TCheckBoxState::cbChecked; }
  // The user clicked: the control shows the new state. Writes it into the field; without
  // an open dataset the control goes back to what it showed. Throws EDatabaseError when the
  // dataset cannot be edited.
  void Click();

  std::function<void()> OnClick;

 private:
  void DataChange();
  void Show(ui::TCheckBoxState state);

  ui::ICheckBox& FControl;
  TFieldDataLink FLink;
  ui::TCheckBoxState FState = ui::TCheckBoxState::cbUnchecked;
  bool FWriting = false;
};

}  // namespace qp::dialogs
