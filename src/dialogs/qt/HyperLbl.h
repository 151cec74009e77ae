// A label that behaves as a hyperlink.
#pragma once

#include <QColor>
#include <QLabel>

#include <functional>
#include <string>

namespace qp::dialogs {

// An underlined label with a hand cursor: navy normally, HyperColour while the pointer is
// over it, PressedColour while the mouse button is held on it. Releasing the button over it
// with a non-empty URL calls OnOpenURL with the URL (the owner asks the shell to open it
// with the verb "Open"). Owned by its Qt parent; GUI thread only.
class THyperLabel : public QLabel {
  Q_OBJECT

 public:
  explicit THyperLabel(const QString& text, QWidget* parent = nullptr);

  std::string URL;
  QColor HyperColour = Qt::blue;
  QColor PressedColour = Qt::red;
  std::function<void(const std::string& url)> OnOpenURL;

  // The colour the label shows now.
  QColor CurrentColour() const;

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void ShowColour(const QColor& colour);

  static const QColor kNormalColour;
  bool FHover = false;
  bool FPressed = false;
};

}  // namespace qp::dialogs
