// The record navigator bar on Qt 6 Widgets.
#pragma once

#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <string>

#include "dialogs/rvNavigator.h"
#include "ui/WindowSystem.h"

namespace qp::dialogs {

// The bar's own glyph called name ("RV_FIRST" to "RV_REFRESH"): 32 by 16 pixels, the
// normal look on the left and the disabled look on the right. A null pixmap for any other
// name.
QPixmap NavigatorResourceGlyph(const std::string& name);

// Draws a TrvNavigator and hands it the mouse, the keys, the focus, its size and the
// clock; a button's failure goes to the top-level error report. The widget follows the
// navigator's size; with alNone it keeps that size. Either may be destroyed first: a widget
// whose navigator is gone draws nothing. Owned by its form; GUI thread only.
class TrvNavigatorWidget : public QWidget {
  Q_OBJECT

 public:
  TrvNavigatorWidget(ui::IWindowSystem& windowSystem, QWidget* parent = nullptr);
  ~TrvNavigatorWidget() override;

  void Bind(TrvNavigator& navigator);
  // The bound navigator, or nullptr when there is none (any more).
  TrvNavigator* Navigator() const { return FLifetime.expired() ? nullptr : FNavigator; }

  // What button shows: its own glyph or the image of the navigator's Glyphs (which must be
  // a ui::QtImageList), in the normal or the disabled look, 16 by 16.
  QPixmap ButtonGlyph(const TrvNavButton& button) const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void FollowNavigatorSize();
  void ScheduleRepeat();

  ui::IWindowSystem& FWindowSystem;
  TrvNavigator* FNavigator = nullptr;
  std::weak_ptr<const void> FLifetime;  // of FNavigator
  QTimer FRepeatTimer;
  QElapsedTimer FClock;
  QPixmap FResourceGlyphs[kNavButtonCount];
};

}  // namespace qp::dialogs
