#include "widgets/ListModel.h"

#include "widgets/QtText.h"

namespace qp::widgets {

Qt::Alignment QtAlignment(TColumnAlign align) {
  switch (align) {
    case TColumnAlign::taRightJustify:
      return Qt::AlignRight | Qt::AlignVCenter;
    case TColumnAlign::taCenter:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case TColumnAlign::taLeftJustify:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

TListModel::TListModel(QObject* parent) : QAbstractTableModel(parent) {
  FRows.OnRowChanged = [this](int index) { RowChanged(index); };
}

void TListModel::AddColumn(const std::string& caption, TColumnAlign align) {
  // Without columns the model still shows one (the captions, in the icon views).
  if (FColumns.empty()) {
    FColumns.push_back({caption, align});
    emit headerDataChanged(Qt::Horizontal, 0, 0);
    return;
  }
  const int column = Columns();
  beginInsertColumns(QModelIndex(), column, column);
  FColumns.push_back({caption, align});
  endInsertColumns();
}

void TListModel::SetDeferInserts(bool defer) {
  FDefer = defer;
  if (!FDefer) Publish();
}

void TListModel::Publish() {
  if (FRows.Count() <= FPublished) return;
  beginInsertRows(QModelIndex(), FPublished, FRows.Count() - 1);
  FPublished = FRows.Count();
  endInsertRows();
}

TListRow& TListModel::Append() {
  TListRow& row = FRows.Append();
  if (!FDefer) Publish();
  return row;
}

void TListModel::ClearRows() {
  beginResetModel();
  FRows.Clear();
  FPublished = 0;
  endResetModel();
}

void TListModel::EraseRow(int index) {
  if (index < 0 || index >= FRows.Count())
    throw std::out_of_range("No list row " + std::to_string(index));
  if (index >= FPublished) {
    FRows.Erase(index);
    return;
  }
  beginRemoveRows(QModelIndex(), index, index);
  FRows.Erase(index);
  --FPublished;
  endRemoveRows();
}

void TListModel::SortRows(const std::function<void(TListRows& rows)>& sort) {
  Publish();
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<const TListRow*> rowsBefore;
  rowsBefore.reserve(static_cast<std::size_t>(before.size()));
  for (const QModelIndex& index : before) rowsBefore.push_back(&FRows.At(index.row()));
  sort(FRows);
  QModelIndexList after;
  after.reserve(before.size());
  for (qsizetype i = 0; i < before.size(); ++i)
    after.push_back(index(rowsBefore[static_cast<std::size_t>(i)]->Index(), before[i].column()));
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TListModel::SetImages(const std::vector<QIcon>* images) {
  FImages = images;
  if (FPublished > 0) emit dataChanged(index(0, 0), index(FPublished - 1, 0), {Qt::DecorationRole});
}

void TListModel::SetCheckboxes(bool checkboxes) {
  if (FCheckboxes == checkboxes) return;
  FCheckboxes = checkboxes;
  if (FPublished > 0) emit dataChanged(index(0, 0), index(FPublished - 1, 0));
}

void TListModel::SetFullRowSelect(bool fullRowSelect) {
  if (FFullRowSelect == fullRowSelect) return;
  FFullRowSelect = fullRowSelect;
  if (FPublished > 0) emit dataChanged(index(0, 0), index(FPublished - 1, columnCount() - 1));
}

void TListModel::RowChanged(int row) {
  if (row < FPublished) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int TListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : FPublished;
}

int TListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max(1, Columns());
}

QVariant TListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= FPublished) return {};
  const TListRow& row = FRows.At(index.row());
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      return ListText(row.Cell(column));
    case Qt::TextAlignmentRole:
      return column < Columns() ? QVariant(QtAlignment(FColumns[column].Align)) : QVariant();
    case Qt::DecorationRole:
      if (column == 0 && FImages != nullptr && row.ImageIndex() >= 0 &&
          row.ImageIndex() < static_cast<int>(FImages->size())) {
        return (*FImages)[static_cast<std::size_t>(row.ImageIndex())];
      }
      return {};
    case Qt::CheckStateRole:
      if (column == 0 && FCheckboxes) return row.Checked() ? Qt::Checked : Qt::Unchecked;
      return {};
    default:
      return {};
  }
}

bool TListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.row() >= FPublished || index.column() != 0 || !FCheckboxes ||
      role != Qt::CheckStateRole) {
    return false;
  }
  const bool checked = value.toInt() == Qt::Checked;
  if (FRows.At(index.row()).SetChecked(checked) && OnRowChecked) OnRowChecked(index.row(), checked);
  return true;
}

QVariant TListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= Columns()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return ListText(FColumns[section].Caption);
    case Qt::TextAlignmentRole:
      return QVariant(QtAlignment(FColumns[section].Align));
    case Qt::DecorationRole:
      if (HeaderIcon) {
        const QIcon icon = HeaderIcon(section);
        if (!icon.isNull()) return icon;
      }
      return {};
    default:
      return {};
  }
}

Qt::ItemFlags TListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
  if (index.column() == 0 || FFullRowSelect) flags |= Qt::ItemIsSelectable;
  if (index.column() == 0 && FCheckboxes) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

}  // namespace qp::widgets
