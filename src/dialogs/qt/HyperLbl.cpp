#include "dialogs/qt/HyperLbl.h"

#include <QEnterEvent>
#include <QMouseEvent>

namespace qp::dialogs {

const QColor THyperLabel::kNormalColour = QColor(0, 0, 128);  // navy

THyperLabel::THyperLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  setCursor(Qt::PointingHandCursor);
  ShowColour(kNormalColour);
}

QColor THyperLabel::CurrentColour() const {
  return palette().color(QPalette::WindowText);
}

void THyperLabel::ShowColour(const QColor& colour) {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, colour);
  setPalette(colours);
}

void THyperLabel::enterEvent(QEnterEvent* event) {
  FHover = true;
  ShowColour(FPressed ? PressedColour : HyperColour);
  QLabel::enterEvent(event);
}

void THyperLabel::leaveEvent(QEvent* event) {
  FHover = false;
  ShowColour(kNormalColour);
  QLabel::leaveEvent(event);
}

void THyperLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    FPressed = true;
    ShowColour(PressedColour);
  }
  QLabel::mousePressEvent(event);
}

void THyperLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && FPressed) {
    FPressed = false;
    const bool over = rect().contains(event->position().toPoint());
    ShowColour(over ? HyperColour : kNormalColour);
    if (over && !URL.empty() && OnOpenURL) OnOpenURL(URL);
  }
  QLabel::mouseReleaseEvent(event);
}

}  // namespace qp::dialogs
