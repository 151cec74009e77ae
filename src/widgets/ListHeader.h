// The column header of a list's report view: it paints its cells itself when the list shows
// sort arrows (caption, column image and arrow laid out by LayoutHeaderCell) and reports
// clicks to the list.
#pragma once

#include <QHeaderView>

#include "widgets/HeaderLayout.h"

namespace qp::widgets {

class TExtListView;

// Owned by the report view; window thread only.
class TListHeader : public QHeaderView {
  Q_OBJECT

 public:
  explicit TListHeader(TExtListView& list);

  // The layout of a column's cell in rect (header coordinates).
  THeaderCellLayout CellLayout(int column, const QRect& rect, bool pressed) const;
  // The side of the sort arrows in the header's font.
  int ArrowSize() const;

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void DrawArrow(QPainter& painter, const QRect& rect, bool up) const;

  TExtListView& FList;
  int FPressed = -1;  // the column whose cell the mouse holds down
};

}  // namespace qp::widgets
