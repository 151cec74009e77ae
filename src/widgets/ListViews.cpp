#include "widgets/ListViews.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>

#include "widgets/ExtListView.h"

namespace qp::widgets {

template <class View>
void TListViewOf<View>::keyboardSearch(const QString& search) {
  if (!FList.SearchKeys(search)) View::keyboardSearch(search);
}

template <class View>
void TListViewOf<View>::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && FList.EnterPressed()) {
    event->accept();
    return;
  }
  View::keyPressEvent(event);
}

template <class View>
bool TListViewOf<View>::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return View::viewportEvent(event);
  // The list's tip for the cell under the pointer, or none.
  const auto* help = static_cast<QHelpEvent*>(event);
  const QModelIndex index = this->indexAt(help->pos());
  const QString tip = index.isValid() ? FList.InfoTipText(index.row(), index.column()) : QString();
  if (tip.isEmpty()) {
    QToolTip::hideText();
    event->ignore();
  } else {
    QToolTip::showText(help->globalPos(), tip, this->viewport(), this->visualRect(index));
  }
  return true;
}

template <class View>
void TListViewOf<View>::mousePressEvent(QMouseEvent* event) {
  // Whether the row pressed was the selected current row before the press.
  const QModelIndex at = this->indexAt(event->position().toPoint());
  const QModelIndex current = this->currentIndex();
  const bool wasCurrent = at.isValid() && current.isValid() && current.row() == at.row() &&
                          this->selectionModel()->isSelected(this->model()->index(at.row(), 0));
  View::mousePressEvent(event);
  if (at.isValid() && event->button() == Qt::LeftButton) FList.RowClicked(at.row(), wasCurrent);
}

template class TListViewOf<QTreeView>;
template class TListViewOf<QListView>;

TListReportView::TListReportView(TExtListView& list) : TListViewOf<QTreeView>(list) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
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

TListIconView::TListIconView(TExtListView& list) : TListViewOf<QListView>(list) {
  setMovement(QListView::Static);
  setResizeMode(QListView::Adjust);
  setUniformItemSizes(true);
  setWordWrap(true);
}

}  // namespace qp::widgets
