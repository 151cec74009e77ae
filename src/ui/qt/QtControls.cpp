#include "ui/qt/QtControls.h"

#include <QGuiApplication>
#include <QRegularExpressionValidator>
#include <QScreen>

#include "ui/ErrorReport.h"
#include "ui/qt/QtWindowSystem.h"

namespace qp::ui {

namespace {

// What a line edit takes when no limit is asked for (Qt's own default).
constexpr int kNoMaxLength = 32767;

}  // namespace

QtEdit::QtEdit(IWindowSystem& windowSystem, QWidget* parent)
    : QLineEdit(parent), FWindowSystem(windowSystem) {
  connect(this, &QLineEdit::textEdited, this, [this] {
    if (FOnChange) Guarded(FWindowSystem, FOnChange);
  });
}

std::string QtEdit::Text() const {
  return FromQ(text());
}

void QtEdit::SetText(const std::string& text) {
  const QString value = ToQ(text);
  if (value != this->text()) setText(value);
}

void QtEdit::SetMaxLength(int maxLength) {
  setMaxLength(maxLength > 0 ? maxLength : kNoMaxLength);
}

void QtEdit::SetNumbersOnly(bool numbersOnly) {
  if (numbersOnly && FDigits == nullptr) {
    FDigits = new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this);
  }
  setValidator(numbersOnly ? FDigits : nullptr);
}

void QtEdit::ShowAsPassword() {
  setEchoMode(QLineEdit::Password);
  // The style's own mask character may be a bullet; this dialog shows stars.
  setStyleSheet("lineedit-password-character: 42");
}

QtCheckBox::QtCheckBox(IWindowSystem& windowSystem, const QString& text, QWidget* parent)
    : QCheckBox(text, parent), FWindowSystem(windowSystem) {
  // Emitted for a click by mouse or space bar, never for a state the program sets.
  connect(this, &QCheckBox::clicked, this, [this] {
    if (FOnClick) Guarded(FWindowSystem, FOnClick);
  });
}

void QtCheckBox::SetChecked(bool checked) {
  SetState(checked ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked);
}

TCheckBoxState QtCheckBox::State() const {
  switch (checkState()) {
    case Qt::Checked:
      return TCheckBoxState::cbChecked;
    case Qt::PartiallyChecked:
      return TCheckBoxState::cbGrayed;
    default:
      return TCheckBoxState::cbUnchecked;
  }
}

void QtCheckBox::SetState(TCheckBoxState state) {
  switch (state) {
    case TCheckBoxState::cbChecked:
      setCheckState(Qt::Checked);
      break;
    case TCheckBoxState::cbGrayed:
      // Showing the undecided state makes the box three-state; nextCheckState keeps a
      // click from choosing it.
      setCheckState(Qt::PartiallyChecked);
      break;
    case TCheckBoxState::cbUnchecked:
      setCheckState(Qt::Unchecked);
      break;
  }
}

void QtCheckBox::nextCheckState() {
  SetState(NextCheckState(State()));
}

QtComboBox::QtComboBox(IWindowSystem& windowSystem, const std::vector<std::string>& items,
                       QWidget* parent)
    : QComboBox(parent), FWindowSystem(windowSystem) {
  setEditable(false);
  for (const std::string& item : items) addItem(ToQ(item));
  connect(this, &QComboBox::activated, this, [this] {
    if (FOnChange) Guarded(FWindowSystem, FOnChange);
  });
}

void CentreOnScreen(QWidget& window) {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
  }
}

}  // namespace qp::ui
