#include "dialogs/qt/rvNavigator.h"

#include <QHelpEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QToolTip>

#include <algorithm>

#include "ui/ErrorReport.h"
#include "ui/qt/QtControls.h"
#include "ui/qt/QtWindowSystem.h"

namespace qp::dialogs {

namespace {

constexpr int kGlyphSize = 16;

QRect ToRect(const TNavRect& rect) {
  return QRect(rect.Left, rect.Top, rect.Width, rect.Height);
}

}  // namespace

TrvNavigatorWidget::TrvNavigatorWidget(ui::IWindowSystem& windowSystem, QWidget* parent)
    : QWidget(parent), FWindowSystem(windowSystem) {
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(false);
  FRepeatTimer.setSingleShot(true);
  connect(&FRepeatTimer, &QTimer::timeout, this, [this] {
    TrvNavigator* navigator = Navigator();
    if (navigator == nullptr) return;
    ui::Guarded(FWindowSystem, [&] { navigator->RepeatTick(FClock.elapsed()); });
    ScheduleRepeat();
  });
  FClock.start();
  for (int i = 0; i < kNavButtonCount; ++i) {
    FResourceGlyphs[i] = NavigatorResourceGlyph(GlyphResourceName(static_cast<TrvNavigateBtn>(i)));
  }
}

TrvNavigatorWidget::~TrvNavigatorWidget() {
  if (TrvNavigator* navigator = Navigator()) navigator->OnChanged = nullptr;
}

void TrvNavigatorWidget::Bind(TrvNavigator& navigator) {
  FNavigator = &navigator;
  FLifetime = navigator.Lifetime();
  FNavigator->OnChanged = [this] { update(); };
  FNavigator->SetEnabled(isEnabled());
  FNavigator->SetFocused(hasFocus());
  FollowNavigatorSize();
  update();
}

QSize TrvNavigatorWidget::sizeHint() const {
  TrvNavigator* const navigator = Navigator();
  if (navigator == nullptr) return QSize(241, 25);
  return QSize(navigator->Width(), navigator->Height());
}

void TrvNavigatorWidget::FollowNavigatorSize() {
  TrvNavigator* const navigator = Navigator();
  const QSize size(navigator->Width(), navigator->Height());
  if (navigator->Align() == alNone) {
    setFixedSize(size);
  } else {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
  if (this->size() != size) resize(size);
  updateGeometry();
}

QPixmap TrvNavigatorWidget::ButtonGlyph(const TrvNavButton& button) const {
  TrvNavigator* const navigator = Navigator();
  const bool enabled = button.Enabled() && isEnabled();
  const auto* images =
      navigator != nullptr ? dynamic_cast<const ui::QtImageList*>(navigator->Glyphs()) : nullptr;
  if (button.GlyphIndex() >= 0 && images != nullptr && button.GlyphIndex() < images->Count()) {
    const QIcon icon(images->Images[static_cast<std::size_t>(button.GlyphIndex())]);
    return icon.pixmap(QSize(kGlyphSize, kGlyphSize), enabled ? QIcon::Normal : QIcon::Disabled);
  }
  const QPixmap& both = FResourceGlyphs[button.Index()];
  return both.copy(enabled ? 0 : kGlyphSize, 0, kGlyphSize, kGlyphSize);
}

void TrvNavigatorWidget::paintEvent(QPaintEvent* event) {
  TrvNavigator* const navigator = Navigator();
  (void)event;
  if (navigator == nullptr) return;
  QPainter painter(this);
  for (int i = 0; i < kNavButtonCount; ++i) {
    const TrvNavButton& button = navigator->Buttons(static_cast<TrvNavigateBtn>(i));
    if (!button.Visible()) continue;
    const QRect rect = ToRect(button.Bounds());
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = rect;
    option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    if (!button.Enabled()) option.state &= ~QStyle::State_Enabled;
    option.state |= button.Down() ? QStyle::State_Sunken : QStyle::State_Raised;
    if (!navigator->Flat() || button.Down()) {
      style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);
    }
    const QPixmap glyph = ButtonGlyph(button);
    const int shift = button.Down() ? 1 : 0;
    painter.drawPixmap(rect.left() + (rect.width() - kGlyphSize) / 2 + shift,
                       rect.top() + (rect.height() - kGlyphSize) / 2 + shift, glyph);
  }
  if (const std::optional<TNavRect> focus = navigator->FocusRect()) {
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = ToRect(*focus);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
  }
}

void TrvNavigatorWidget::mousePressEvent(QMouseEvent* event) {
  TrvNavigator* const navigator = Navigator();
  if (navigator == nullptr || event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  const QPoint at = event->position().toPoint();
  if (navigator->MouseDown(at.x(), at.y(), FClock.elapsed())) {
    setFocus(Qt::MouseFocusReason);
    ScheduleRepeat();
  }
}

void TrvNavigatorWidget::mouseMoveEvent(QMouseEvent* event) {
  TrvNavigator* const navigator = Navigator();
  if (navigator == nullptr) return;
  const QPoint at = event->position().toPoint();
  navigator->MouseMove(at.x(), at.y());
}

void TrvNavigatorWidget::mouseReleaseEvent(QMouseEvent* event) {
  TrvNavigator* const navigator = Navigator();
  if (navigator == nullptr || event->button() != Qt::LeftButton) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  FRepeatTimer.stop();
  const QPoint at = event->position().toPoint();
  ui::Guarded(FWindowSystem, [&] { navigator->MouseUp(at.x(), at.y()); });
}

void TrvNavigatorWidget::keyPressEvent(QKeyEvent* event) {
  TrvNavigator* const navigator = Navigator();
  std::optional<TNavKey> key;
  switch (event->key()) {
    case Qt::Key_Left:
      key = TNavKey::Left;
      break;
    case Qt::Key_Right:
      key = TNavKey::Right;
      break;
    case Qt::Key_Space:
      key = TNavKey::Space;
      break;
    default:
      break;
  }
  if (navigator == nullptr || !key) {
    QWidget::keyPressEvent(event);
    return;
  }
  ui::Guarded(FWindowSystem, [&] { navigator->KeyDown(*key); });
}

void TrvNavigatorWidget::focusInEvent(QFocusEvent* event) {
  TrvNavigator* const navigator = Navigator();
  QWidget::focusInEvent(event);
  if (navigator != nullptr) navigator->SetFocused(true);
}

void TrvNavigatorWidget::focusOutEvent(QFocusEvent* event) {
  TrvNavigator* const navigator = Navigator();
  QWidget::focusOutEvent(event);
  if (navigator != nullptr) navigator->SetFocused(false);
}

void TrvNavigatorWidget::resizeEvent(QResizeEvent* event) {
  TrvNavigator* const navigator = Navigator();
  QWidget::resizeEvent(event);
  if (navigator == nullptr) return;
  if (navigator->Width() != width() || navigator->Height() != height()) {
    navigator->SetBounds(width(), height());
    FollowNavigatorSize();
  }
}

void TrvNavigatorWidget::changeEvent(QEvent* event) {
  TrvNavigator* const navigator = Navigator();
  QWidget::changeEvent(event);
  if (event->type() == QEvent::EnabledChange && navigator != nullptr) {
    navigator->SetEnabled(isEnabled());
  }
}

bool TrvNavigatorWidget::event(QEvent* event) {
  TrvNavigator* const navigator = Navigator();
  if (event->type() == QEvent::ToolTip && navigator != nullptr) {
    auto* help = static_cast<QHelpEvent*>(event);
    const std::optional<TrvNavigateBtn> button = navigator->ButtonAt(help->x(), help->y());
    if (button) {
      const TrvNavButton& under = navigator->Buttons(*button);
      QToolTip::showText(help->globalPos(), ui::ToQ(under.Hint()), this, ToRect(under.Bounds()));
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return QWidget::event(event);
}

void TrvNavigatorWidget::ScheduleRepeat() {
  TrvNavigator* const navigator = Navigator();
  const std::optional<int64_t> due = navigator != nullptr ? navigator->RepeatDue() : std::nullopt;
  if (!due) {
    FRepeatTimer.stop();
    return;
  }
  FRepeatTimer.start(static_cast<int>(std::max<int64_t>(0, *due - FClock.elapsed())));
}

}  // namespace qp::dialogs
