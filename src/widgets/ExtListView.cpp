#include "widgets/ExtListView.h"

#include <QApplication>
#include <QSettings>
#include <QStackedLayout>
#include <QStyle>

#include <chrono>

#include "widgets/ListHeader.h"
#include "widgets/ListModel.h"
#include "widgets/ListViews.h"
#include "widgets/QtText.h"

namespace qp::widgets {

namespace {

// The longest tip, in characters.
constexpr int kInfoTipCapacity = 1023;

// The settings of one list in the application's QSettings, as "<key>/<section>/<name>".
class TQSettingsStore : public ISettingsStore {
 public:
  explicit TQSettingsStore(const std::string& key) : FPrefix(ListText(key)) {}
  std::optional<std::string> Read(const std::string& section, const std::string& name) override {
    const QString path = Path(section, name);
    if (!FSettings.contains(path)) return std::nullopt;
    return ListBytes(FSettings.value(path).toString());
  }
  void Write(const std::string& section, const std::string& name,
             const std::string& value) override {
    FSettings.setValue(Path(section, name), ListText(value));
  }

 private:
  QString Path(const std::string& section, const std::string& name) const {
    const QString tail = ListText(section) + '/' + ListText(name);
    return FPrefix.isEmpty() ? tail : FPrefix + '/' + tail;
  }
  QSettings FSettings;
  QString FPrefix;
};

int SignOf(int value) {
  return (value > 0) - (value < 0);
}

}  // namespace

// The list's state as the saved settings see it.
class TExtListView::TSettingsTarget : public IListSettingsTarget {
 public:
  explicit TSettingsTarget(TExtListView& list) : FList(list) {}
  int ColumnCount() const override { return FList.ColumnCount(); }
  std::vector<int> ColumnOrder() const override { return FList.ColumnOrder(); }
  void SetColumnOrder(const std::vector<int>& order) override { FList.SetColumnOrder(order); }
  int WidthAtPosition(int position) const override {
    return FList.ColumnWidth(FList.ColumnAtPosition(position));
  }
  void SetWidthAtPosition(int position, int width) override {
    FList.SetColumnWidth(FList.ColumnAtPosition(position), width);
  }
  bool SortAscending() const override { return FList.FSortAscending; }
  int SortColumn() const override { return FList.FSortColumn; }
  void RestoreSort(bool ascending, int column) override {
    FList.BeginUpdate();
    FList.FSortAscending = ascending;
    FList.SetSortColumnIndex(column);
    FList.ResortList();
    FList.EndUpdate();
  }
  int ViewStyle() const override { return static_cast<int>(FList.FViewStyle); }
  void SetViewStyle(int style) override { FList.SetViewStyle(static_cast<TViewStyle>(style)); }

 private:
  TExtListView& FList;
};

TExtListView::TExtListView(QWidget* parent) : QWidget(parent), SortLocale(TSortLocale::User()) {
  FModel = new TListModel(this);
  FModel->SetDeferInserts(true);  // until Loaded
  FReport = new TListReportView(*this);
  FHeader = new TListHeader(*this);
  FReport->setHeader(FHeader);
  // The tree view turns the header's clicks off (it does not sort by itself) and keeps its
  // first column in place; this list sorts on clicks and lets any column move.
  FHeader->setSectionsClickable(true);
  FHeader->setFirstSectionMovable(true);
  FReport->setModel(FModel);
  FSelection = FReport->selectionModel();
  FIcons = new TListIconView(*this);
  FIcons->setModel(FModel);
  FIcons->setSelectionModel(FSelection);
  FStack = new QStackedLayout(this);
  FStack->setContentsMargins(0, 0, 0, 0);
  FStack->addWidget(FReport);
  FStack->addWidget(FIcons);

  FModel->Rows().IsRowSelected = [this](int row) {
    return row < FModel->rowCount() && FSelection->isSelected(FModel->index(row, 0));
  };
  FModel->OnRowChecked = [this](int row, bool checked) {
    if (OnItemChecked) OnItemChecked(*this, row, checked);
  };
  FModel->HeaderIcon = [this](int column) {
    // A header that paints itself places the image; Qt's own header shows it left of the
    // caption.
    if (PaintsHeader() || FSmallImages == nullptr) return QIcon();
    const int image = FColumnsFormat.at(static_cast<std::size_t>(column)).ImageIndex;
    if (image < 0 || image >= static_cast<int>(FSmallImages->size())) return QIcon();
    return (*FSmallImages)[static_cast<std::size_t>(image)];
  };
  connect(FHeader, &QHeaderView::sectionClicked, this, [this](int column) { ColumnClick(column); });
  for (QAbstractItemView* view :
       {static_cast<QAbstractItemView*>(FReport), static_cast<QAbstractItemView*>(FIcons)}) {
    connect(view, &QAbstractItemView::doubleClicked, this, [this] {
      if (OnDblClick) OnDblClick(*this);
      const bool clicksActivate = FExtendedStyles.Contains(TLVExtendedStyle::lvxOneClickActivate) ||
                                  FExtendedStyles.Contains(TLVExtendedStyle::lvxTwoClickActivate);
      if (!clicksActivate && OnItemActivate) OnItemActivate(*this);
    });
  }
  Beep = [] { QApplication::beep(); };
  Clock = [] {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
  };
  SetExtendedStyles(FExtendedStyles);
  SetMultiSelect(false);
  ApplyViewStyle();
}

TExtListView::~TExtListView() {
  if (SaveSettings.AutoSave && FLoaded) {
    try {
      StoreSettings();
    } catch (...) {
      // Settings that cannot be written are not worth stopping the window's close for.
    }
  }
  // The views, their header and the model call back into this list: they go while it is
  // still whole, not later among the Qt children of the plain QWidget.
  delete FIcons;
  delete FReport;
  delete FModel;
}

void TExtListView::AddColumn(const std::string& caption, int width, TColumnAlign align) {
  FModel->AddColumn(caption, align);
  FColumnsFormat.resize(static_cast<std::size_t>(ColumnCount()));
  FHeader->resizeSection(ColumnCount() - 1, width);
  UpdateResizeModes();
}

int TExtListView::ColumnCount() const {
  return FModel->Columns();
}

std::string TExtListView::ColumnCaption(int column) const {
  return FModel->ColumnCaption(column);
}

TColumnAlign TExtListView::ColumnAlignment(int column) const {
  return FModel->ColumnAlign(column);
}

int TExtListView::ColumnWidth(int column) const {
  return FHeader->sectionSize(column);
}

void TExtListView::SetColumnWidth(int column, int width) {
  FHeader->resizeSection(column, width);
}

std::vector<int> TExtListView::ColumnOrder() const {
  std::vector<int> order;
  for (int position = 0; position < ColumnCount(); ++position)
    order.push_back(FHeader->logicalIndex(position));
  return order;
}

void TExtListView::SetColumnOrder(const std::vector<int>& order) {
  if (static_cast<int>(order.size()) != ColumnCount()) return;
  std::vector<bool> seen(order.size(), false);
  for (int column : order) {
    if (column < 0 || column >= ColumnCount() || seen[static_cast<std::size_t>(column)]) return;
    seen[static_cast<std::size_t>(column)] = true;
  }
  for (int position = 0; position < ColumnCount(); ++position) {
    FHeader->moveSection(FHeader->visualIndex(order[static_cast<std::size_t>(position)]), position);
  }
}

int TExtListView::ColumnAtPosition(int position) const {
  if (position < 0 || position >= ColumnCount()) return 0;
  return FHeader->logicalIndex(position);
}

int TExtListView::PositionOfColumn(int column) const {
  if (column < 0 || column >= ColumnCount()) return 0;
  return FHeader->visualIndex(column);
}

void TExtListView::SetStretchColumn(int column) {
  FStretchColumn = column;
  UpdateResizeModes();
}

void TExtListView::UpdateResizeModes() {
  for (int column = 0; column < ColumnCount(); ++column) {
    QHeaderView::ResizeMode mode = QHeaderView::Interactive;
    if (FNoColumnResize || !FColumnsFormat[static_cast<std::size_t>(column)].AllowResize)
      mode = QHeaderView::Fixed;
    // The stretched column takes the rest of the width; the others give way to it.
    if (column == FStretchColumn) mode = QHeaderView::Stretch;
    FHeader->setSectionResizeMode(column, mode);
  }
}

void TExtListView::Loaded() {
  FUpdateDepth = 0;
  FModel->SetDeferInserts(false);
  const bool restored = SaveSettings.AutoSave && LoadSettings();
  if (!restored) {
    if (ColumnCount() > 0) SetSortColumnIndex(0);
    ResortList();
  }
  FLoaded = true;
}

void TExtListView::SetAutoColumnSort(TAutoColumnSort value) {
  FAutoColumnSort = value;
  if (value != TAutoColumnSort::acsNoSort) ResortList();
  RepaintHeader();
}

void TExtListView::SetAutoSortStyle(TAutoSortStyle value) {
  if (FAutoSortStyle == value) return;
  FAutoSortStyle = value;
  ResortList();
}

void TExtListView::SetAutoSortAscending(bool value) {
  FAutoSortAscending = value;
  FSortAscending = value;
  RepaintHeader();
}

void TExtListView::SetShowSortArrows(bool value) {
  FShowSortArrows = value;
  RepaintHeader();
}

void TExtListView::SetReverseSortArrows(bool value) {
  FReverseSortArrows = value;
  RepaintHeader();
}

void TExtListView::SetNoColumnResize(bool value) {
  FNoColumnResize = value;
  UpdateResizeModes();
}

void TExtListView::SetSortColumnIndex(int column) {
  FSortColumn = column;
  RepaintHeader();
}

void TExtListView::RepaintHeader() {
  FHeader->viewport()->update();
}

void TExtListView::SortByColumn(int column, bool ascending) {
  FSortPending = false;
  FSortAscending = ascending;
  SetSortColumnIndex(column);
  if (OnSortBegin) OnSortBegin(*this, column, ascending);
  const int direction = ascending ? 1 : -1;
  if (OnSortItems) {
    FModel->SortRows([this, column, direction](TListRows& rows) {
      rows.Sort([this, column, direction](const TListRow& a, const TListRow& b) {
        return CompareRows(a, b, column, direction);
      });
    });
  } else {
    // Each text is read once; the keys compare as CompareSortTexts would.
    FModel->SortRows([this, column, direction](TListRows& rows) {
      rows.SortByKey<TSortKey>(
          [this, column](const TListRow& row) {
            return MakeSortKey(row.Cell(column), FAutoSortStyle, SortLocale);
          },
          [this, direction](const TSortKey& a, const TSortKey& b) {
            return SignOf(CompareSortKeys(a, b, SortLocale)) * direction;
          });
    });
  }
  if (OnSortFinished) OnSortFinished(*this, column, ascending);
}

int TExtListView::CompareRows(const TListRow& a, const TListRow& b, int column, int direction) {
  int result = 0;
  try {
    TSortAs sortAs = TSortAs::saNone;
    int answer = 0;
    OnSortItems(*this, a, b, column - 1, sortAs, answer);
    result = sortAs == TSortAs::saNone
                 ? answer
                 : CompareSortTextsAs(a.Cell(column), b.Cell(column), sortAs, SortLocale);
  } catch (...) {
    result = 0;  // a comparison that fails counts as equal
  }
  // The sign only, so that reversing the direction cannot overflow.
  return SignOf(result) * direction;
}

void TExtListView::ResortList() {
  FSortPending = true;
  const bool clicksSort = FAutoColumnSort != TAutoColumnSort::acsNoSort && FSortColumn >= 0 &&
                          FSortColumn < ColumnCount();
  if ((clicksSort || OnSortItems) && FUpdateDepth <= 0) SortByColumn(FSortColumn, FSortAscending);
}

void TExtListView::ColumnClick(int column) {
  if (FAutoColumnSort == TAutoColumnSort::acsSortToggle) {
    FSortAscending = column == FSortColumn ? !FSortAscending : FAutoSortAscending;
  }
  if (OnColumnClick) OnColumnClick(*this, column);
  if (FAutoColumnSort != TAutoColumnSort::acsNoSort && column >= 0 && column < ColumnCount())
    SortByColumn(column, FSortAscending);
  SetSortColumnIndex(column);
}

void TExtListView::StoreSettings() {
  TQSettingsStore store(SaveSettings.RegistryKey);
  const TSettingsTarget target(*this);
  StoreListSettings(SaveSettings, target, store);
}

bool TExtListView::LoadSettings() {
  TQSettingsStore store(SaveSettings.RegistryKey);
  TSettingsTarget target(*this);
  return LoadListSettings(SaveSettings, target, store);
}

void TExtListView::SetExtendedStyles(TLVExtendedStyles styles) {
  using enum TLVExtendedStyle;
  FExtendedStyles = NormalizeExtendedStyles(styles);
  const bool fullRow = FExtendedStyles.Contains(lvxFullRowSelect);
  FModel->SetFullRowSelect(fullRow);
  FReport->setSelectionBehavior(fullRow ? QAbstractItemView::SelectRows
                                        : QAbstractItemView::SelectItems);
  FReport->setAllColumnsShowFocus(fullRow);
  FHeader->setSectionsMovable(FExtendedStyles.Contains(lvxHeaderDragDrop));
  FReport->GridLines = FExtendedStyles.Contains(lvxGridLines);
  FModel->SetCheckboxes(FExtendedStyles.Contains(lvxCheckboxes));
  FReport->viewport()->update();
  FIcons->viewport()->update();
}

void TExtListView::SetColumnFormat(int column, const TExtListColumn& format) {
  FColumnsFormat.at(static_cast<std::size_t>(column)) = format;
  UpdateResizeModes();
  emit FModel->headerDataChanged(Qt::Horizontal, column, column);
  RepaintHeader();
}

void TExtListView::SetSmallImages(const std::vector<QIcon>* images, QSize size) {
  FSmallImages = images;
  FSmallImageSize = size;
  FReport->setIconSize(size);
  ApplyViewStyle();
  RepaintHeader();
}

void TExtListView::SetLargeImages(const std::vector<QIcon>* images, QSize size) {
  FLargeImages = images;
  FLargeImageSize = size;
  ApplyViewStyle();
}

void TExtListView::SetViewStyle(TViewStyle style) {
  FViewStyle = style;
  ApplyViewStyle();
}

void TExtListView::ApplyViewStyle() {
  if (FViewStyle == TViewStyle::vsReport) {
    FModel->SetImages(FSmallImages);
    FStack->setCurrentWidget(FReport);
    setFocusProxy(FReport);
    return;
  }
  const bool icons = FViewStyle == TViewStyle::vsIcon;
  FIcons->setViewMode(icons ? QListView::IconMode : QListView::ListMode);
  FIcons->setFlow(FViewStyle == TViewStyle::vsList ? QListView::TopToBottom
                                                   : QListView::LeftToRight);
  FIcons->setWrapping(true);
  FIcons->setMovement(QListView::Static);  // the icon mode would let icons be dragged around
  FIcons->setIconSize(icons ? FLargeImageSize : FSmallImageSize);
  FModel->SetImages(icons ? FLargeImages : FSmallImages);
  FStack->setCurrentWidget(FIcons);
  setFocusProxy(FIcons);
}

void TExtListView::SetMultiSelect(bool value) {
  FMultiSelect = value;
  const auto mode =
      value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection;
  FReport->setSelectionMode(mode);
  FIcons->setSelectionMode(mode);
}

ui::IListItem& TExtListView::Add() {
  TListRow& row = FModel->Append();
  if (AutoResort) ResortList();
  return row;
}

void TExtListView::Clear() {
  FModel->ClearRows();
}

int TExtListView::Count() const {
  return FModel->Rows().Count();
}

ui::IListItem& TExtListView::Item(int index) {
  return FModel->Rows().At(index);
}

void TExtListView::Delete(int index) {
  FModel->EraseRow(index);
}

ui::IListItem* TExtListView::Selected() {
  int first = -1;
  for (const QItemSelectionRange& range : FSelection->selection()) {
    if (range.left() != 0) continue;
    if (first < 0 || range.top() < first) first = range.top();
  }
  return first < 0 ? nullptr : &FModel->Rows().At(first);
}

int TExtListView::SelCount() const {
  std::vector<std::pair<int, int>> spans;
  for (const QItemSelectionRange& range : FSelection->selection()) {
    if (range.left() == 0) spans.emplace_back(range.top(), range.bottom());
  }
  std::sort(spans.begin(), spans.end());
  int count = 0, covered = -1;  // rows up to covered are counted
  for (const auto& [top, bottom] : spans) {
    if (bottom <= covered) continue;
    count += bottom - std::max(top, covered + 1) + 1;
    covered = bottom;
  }
  return count;
}

void TExtListView::BeginUpdate() {
  // The views keep painting what they were shown before (an emptied list stays empty while
  // a fill waits on the network); the new rows reach them at the end.
  if (FUpdateDepth++ == 0) FModel->SetDeferInserts(true);
}

void TExtListView::EndUpdate() {
  if (FUpdateDepth <= 0 || --FUpdateDepth > 0) return;
  FModel->SetDeferInserts(false);
  if (FSortPending) ResortList();
}

void TExtListView::SelectRow(int row) {
  if (row < 0) {
    FSelection->clearSelection();
    return;
  }
  FModel->Publish();
  const QModelIndex index = FModel->index(row, 0);
  FSelection->setCurrentIndex(index,
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  if (FViewStyle == TViewStyle::vsReport) {
    FReport->scrollTo(index);
  } else {
    FIcons->scrollTo(index);
  }
}

bool TExtListView::SearchKeys(const QString& text) {
  if (!ColumnSearch || text.size() != 1 || !TColumnSearch::Searchable(text.front().unicode()))
    return false;
  const ui::IListItem* selected = Selected();
  const int column = FSortColumn;
  const int row = FSearch.KeyTyped(static_cast<char>(text.front().unicode()), Clock(),
                                   selected == nullptr ? -1 : selected->Index(), FModel->rowCount(),
                                   [this, column](int index) {
                                     return std::string_view(FModel->Rows().At(index).Cell(column));
                                   });
  if (row >= 0) {
    SelectRow(row);
  } else if (Beep) {
    Beep();
  }
  return true;
}

bool TExtListView::EnterPressed() {
  if (!OnDblClick || Selected() == nullptr) return false;
  OnDblClick(*this);
  return true;
}

void TExtListView::RowClicked(int row, bool wasCurrent) {
  (void)row;
  if (!OnItemActivate) return;
  if (FExtendedStyles.Contains(TLVExtendedStyle::lvxOneClickActivate) ||
      (wasCurrent && FExtendedStyles.Contains(TLVExtendedStyle::lvxTwoClickActivate))) {
    OnItemActivate(*this);
  }
}

bool TExtListView::CaptionShownInFull(int row) const {
  const TListRow& item = FModel->Rows().At(row);
  const QAbstractItemView* view = FViewStyle == TViewStyle::vsReport
                                      ? static_cast<const QAbstractItemView*>(FReport)
                                      : static_cast<const QAbstractItemView*>(FIcons);
  int room = ColumnWidth(0);
  if (FViewStyle != TViewStyle::vsReport) {
    room = view->visualRect(FModel->index(row, 0)).width();
    if (room <= 0) return true;  // not laid out yet: nothing is cut
  }
  const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
  room -= 2 * margin;
  if (FModel->data(FModel->index(row, 0), Qt::DecorationRole).isValid())
    room -= view->iconSize().width() + margin;
  return view->fontMetrics().horizontalAdvance(ListText(item.Cell(0))) <= room;
}

QString TExtListView::InfoTipText(int row, int column) {
  if (row < 0 || row >= FModel->rowCount()) return {};
  const TListRow& item = FModel->Rows().At(row);
  const QString caption = ListText(item.Cell(0));
  const bool inFull = CaptionShownInFull(row);
  if (FExtendedStyles.Contains(TLVExtendedStyle::lvxInfoTip)) {
    if (!OnInfoTip) return caption;
    std::string additional;
    OnInfoTip(*this, row, column, inFull ? item.Cell(0) : std::string(), additional);
    if (additional.empty()) return caption;
    const QString tip = inFull ? caption + ListText(additional) : ListText(additional);
    return tip.left(kInfoTipCapacity);
  }
  if (FExtendedStyles.Contains(TLVExtendedStyle::lvxLabelTip) && !inFull) return caption;
  return {};
}

THeaderCellLayout TExtListView::HeaderCellLayout(int column) const {
  const QRect rect(FHeader->sectionViewportPosition(column), 0, FHeader->sectionSize(column),
                   FHeader->height());
  return FHeader->CellLayout(column, rect, false);
}

bool TExtListView::ArrowInColumn(int column) const {
  return FShowSortArrows && column == FSortColumn &&
         (FAutoColumnSort != TAutoColumnSort::acsNoSort || static_cast<bool>(OnSortItems));
}

QTreeView& TExtListView::ReportView() const {
  return *FReport;
}

QListView& TExtListView::IconView() const {
  return *FIcons;
}

}  // namespace qp::widgets
