// The two Qt views a list shows its rows in: the report view (columns under a header) and
// the icon view (icons, small icons or a list). Both hand typed keys, Enter, tips and
// clicks to their TExtListView, which owns them as Qt children; window thread only.
#pragma once

#include <QListView>
#include <QTreeView>

namespace qp::widgets {

class TExtListView;

class TListReportView : public QTreeView {
 public:
  explicit TListReportView(TExtListView& list);
  void keyboardSearch(const QString& search) override;
  // Grid lines between rows and columns.
  bool GridLines = false;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

 private:
  TExtListView& FList;
};

class TListIconView : public QListView {
 public:
  explicit TListIconView(TExtListView& list);
  void keyboardSearch(const QString& search) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  TExtListView& FList;
};

}  // namespace qp::widgets
