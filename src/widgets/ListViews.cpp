#include "widgets/ListViews.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>

#include "widgets/ExtListView.h"

namespace qp::widgets {

namespace {

// Shows the list's tip for the cell under the pointer, or hides the tip.
bool ShowTip(TExtListView& list, QAbstractItemView& view, QEvent* event) {
  const auto* help = static_cast<QHelpEvent*>(event);
  const QModelIndex index = view.indexAt(help->pos());
  const QString tip = index.isValid() ? list.InfoTipText(index.row(), index.column()) : QString();
  if (tip.isEmpty()) {
    QToolTip::hideText();
    event->ignore();
  } else {
    QToolTip::showText(help->globalPos(), tip, view.viewport(), view.visualRect(index));
  }
  return true;
}

bool IsEnter(const QKeyEvent* event) {
  return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// The row under a press, and whether it was the selected current row before it.
struct TPressedRow {
  int Row = -1;
  bool WasCurrent = false;
};

TPressedRow PressedRow(const QAbstractItemView& view, const QMouseEvent* event) {
  TPressedRow pressed;
  const QModelIndex at = view.indexAt(event->position().toPoint());
  if (!at.isValid() || event->button() != Qt::LeftButton) return pressed;
  pressed.Row = at.row();
  const QModelIndex current = view.currentIndex();
  pressed.WasCurrent = current.isValid() && current.row() == at.row() &&
                       view.selectionModel()->isSelected(view.model()->index(at.row(), 0));
  return pressed;
}

}  // namespace

TListReportView::TListReportView(TExtListView& list) : FList(list) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
}

void TListReportView::keyboardSearch(const QString& search) {
  if (!FList.SearchKeys(search)) QTreeView::keyboardSearch(search);
}

void TListReportView::keyPressEvent(QKeyEvent* event) {
  if (IsEnter(event) && FList.EnterPressed()) {
    event->accept();
    return;
  }
  QTreeView::keyPressEvent(event);
}

bool TListReportView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) return ShowTip(FList, *this, event);
  return QTreeView::viewportEvent(event);
}

void TListReportView::mousePressEvent(QMouseEvent* event) {
  const TPressedRow pressed = PressedRow(*this, event);
  QTreeView::mousePressEvent(event);
  if (pressed.Row >= 0) FList.RowClicked(pressed.Row, pressed.WasCurrent);
}

void TListReportView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  QTreeView::drawRow(painter, option, index);
  if (!GridLines) return;
  painter->save();
  painter->setPen(palette().mid().color());
  const QRect row = option.rect;
  painter->drawLine(row.left(), row.bottom(), row.right(), row.bottom());
  for (int column = 0; column < header()->count(); ++column) {
    if (header()->isSectionHidden(column)) continue;
    const int x = columnViewportPosition(column) + columnWidth(column) - 1;
    painter->drawLine(x, row.top(), x, row.bottom());
  }
  painter->restore();
}

TListIconView::TListIconView(TExtListView& list) : FList(list) {
  setMovement(QListView::Static);
  setResizeMode(QListView::Adjust);
  setUniformItemSizes(true);
  setWordWrap(true);
}

void TListIconView::keyboardSearch(const QString& search) {
  if (!FList.SearchKeys(search)) QListView::keyboardSearch(search);
}

void TListIconView::keyPressEvent(QKeyEvent* event) {
  if (IsEnter(event) && FList.EnterPressed()) {
    event->accept();
    return;
  }
  QListView::keyPressEvent(event);
}

bool TListIconView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) return ShowTip(FList, *this, event);
  return QListView::viewportEvent(event);
}

void TListIconView::mousePressEvent(QMouseEvent* event) {
  const TPressedRow pressed = PressedRow(*this, event);
  QListView::mousePressEvent(event);
  if (pressed.Row >= 0) FList.RowClicked(pressed.Row, pressed.WasCurrent);
}

}  // namespace qp::widgets
