// The controls of dialogs on Qt 6 Widgets: each widget is also the control interface the
// logic uses. User input reaches the logic's handlers through the top-level error report.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

#include <vector>

#include "ui/WindowSystem.h"

namespace qp::ui {

// A label that the logic enables and disables with its control.
class QtLabel : public QLabel, public IControl {
 public:
  explicit QtLabel(const QString& text, QWidget* parent = nullptr) : QLabel(text, parent) {}
  void SetEnabled(bool enabled) override { setEnabled(enabled); }
  bool Enabled() const override { return isEnabled(); }
};

// A one-line edit. Setting the text it already shows changes nothing, so the caret stays
// where the user left it when the logic writes back what was typed.
class QtEdit : public QLineEdit, public IEdit {
 public:
  QtEdit(IWindowSystem& windowSystem, QWidget* parent = nullptr);
  void SetEnabled(bool enabled) override { setEnabled(enabled); }
  bool Enabled() const override { return isEnabled(); }
  std::string Text() const override;
  void SetText(const std::string& text) override;
  void SetMaxLength(int maxLength) override;
  void SetNumbersOnly(bool numbersOnly) override;
  void SetOnChange(TNotifyEvent onChange) override { FOnChange = std::move(onChange); }
  // Shows each character as "*".
  void ShowAsPassword();

 private:
  IWindowSystem& FWindowSystem;
  TNotifyEvent FOnChange;
  QValidator* FDigits = nullptr;  // a child of the edit
};

// A check box that can show the undecided state but that a click only checks or unchecks
// (NextCheckState).
class QtCheckBox : public QCheckBox, public ICheckBox {
 public:
  QtCheckBox(IWindowSystem& windowSystem, const QString& text, QWidget* parent = nullptr);
  void SetEnabled(bool enabled) override { setEnabled(enabled); }
  bool Enabled() const override { return isEnabled(); }
  bool Checked() const override { return State() == TCheckBoxState::cbChecked; }
  void SetChecked(bool checked) override;
  TCheckBoxState State() const override;
  void SetState(TCheckBoxState state) override;
  void SetOnClick(TNotifyEvent onClick) override { FOnClick = std::move(onClick); }

 protected:
  void nextCheckState() override;

 private:
  IWindowSystem& FWindowSystem;
  TNotifyEvent FOnClick;
};

// A drop-down list of fixed items.
class QtComboBox : public QComboBox, public IComboBox {
 public:
  QtComboBox(IWindowSystem& windowSystem, const std::vector<std::string>& items,
             QWidget* parent = nullptr);
  void SetEnabled(bool enabled) override { setEnabled(enabled); }
  bool Enabled() const override { return isEnabled(); }
  int ItemIndex() const override { return currentIndex(); }
  void SetItemIndex(int index) override { setCurrentIndex(index); }
  void SetOnChange(TNotifyEvent onChange) override { FOnChange = std::move(onChange); }

 private:
  IWindowSystem& FWindowSystem;
  TNotifyEvent FOnChange;
};

// Images of one size, kept in order. Owned by the form that shows them.
class QtImageList : public IImageList {
 public:
  int Count() const override { return static_cast<int>(Images.size()); }
  std::vector<QPixmap> Images;
};

// Moves window so that its frame is centred on the primary screen.
void CentreOnScreen(QWidget& window);

}  // namespace qp::ui
