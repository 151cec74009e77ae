// The two Qt views a list shows its rows in: the report view (columns under a header) and
// the icon view (icons, small icons or a list). Both hand typed keys, Enter, tips and
// clicks to their TExtListView, which owns them as Qt children; window thread only.
#pragma once

#include <QListView>
#include <QTreeView>

namespace qp::widgets {

class TExtListView;

// What both views do for their list, on top of the Qt view View.
template <class View>
class TListViewOf : public View {
 public:
  explicit TListViewOf(TExtListView& list) : FList(list) {}
  void keyboardSearch(const QString& search) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

  TExtListView& FList;
};

class TListReportView : public TListViewOf<QTreeView> {
 public:
  explicit TListReportView(TExtListView& list);
  // Grid lines between rows and columns.
  bool GridLines = false;

 protected:
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

class TListIconView : public TListViewOf<QListView> {
 public:
  explicit TListIconView(TExtListView& list);
};

}  // namespace qp::widgets
