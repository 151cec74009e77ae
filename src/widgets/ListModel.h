// The item model of a sortable list: plain rows (TListRows) shown in columns, with the
// column captions and alignments. Rows added inside an update bracket are announced to the
// views once, when the bracket closes, so a fill of many rows costs one notification.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include <functional>
#include <string>
#include <vector>

#include "widgets/ListOptions.h"
#include "widgets/ListRows.h"

namespace qp::widgets {

// Owned by its TExtListView (as a Qt child); window thread only.
class TListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TListModel(QObject* parent);

  TListRows& Rows() { return FRows; }
  const TListRows& Rows() const { return FRows; }

  void AddColumn(const std::string& caption, TColumnAlign align);
  int Columns() const { return static_cast<int>(FColumns.size()); }
  const std::string& ColumnCaption(int column) const { return FColumns.at(column).Caption; }
  TColumnAlign ColumnAlign(int column) const { return FColumns.at(column).Align; }

  // While deferring, appended rows stay unannounced (the views do not see them yet).
  void SetDeferInserts(bool defer);
  // Announces the rows appended since the last announcement.
  void Publish();
  TListRow& Append();
  void ClearRows();
  // Throws std::out_of_range.
  void EraseRow(int index);
  // Runs sort on the rows (TListRows::Sort or SortByKey); selections and the current row
  // follow their rows.
  void SortRows(const std::function<void(TListRows& rows)>& sort);

  // The images shown before captions; nullptr = none. The list keeps them.
  void SetImages(const std::vector<QIcon>* images);
  void SetCheckboxes(bool checkboxes);
  // Without full-row selection only the caption cell can be selected.
  void SetFullRowSelect(bool fullRowSelect);
  // The image of a column header, when the header does not paint itself.
  std::function<QIcon(int column)> HeaderIcon;
  // A check box changed by the user.
  std::function<void(int row, bool checked)> OnRowChecked;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct TColumn {
    std::string Caption;
    TColumnAlign Align;
  };
  void RowChanged(int index);

  TListRows FRows;
  std::vector<TColumn> FColumns;
  int FPublished = 0;  // the rows the views know of
  bool FDefer = false;
  const std::vector<QIcon>* FImages = nullptr;
  bool FCheckboxes = false;
  bool FFullRowSelect = false;
};

// The Qt alignment of a column alignment, vertically centred.
Qt::Alignment QtAlignment(TColumnAlign align);

}  // namespace qp::widgets
