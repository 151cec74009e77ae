// The sortable list view behind every list of the program: rows with a caption and
// sub-items shown in columns (report) or as icons, sorted by a click on a column header
// with an arrow in that header, a type-ahead search in the sort column, extended styles,
// a user-changeable column order, and settings kept with QSettings under the list's key.
// The reader's logic drives it through ui::IListView; its rows are ui::IListItem.
#pragma once

#include <QIcon>
#include <QSize>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/WindowSystem.h"
#include "widgets/ColumnSearch.h"
#include "widgets/HeaderLayout.h"
#include "widgets/ListOptions.h"
#include "widgets/ListSettings.h"
#include "widgets/SortCompare.h"

class QItemSelectionModel;
class QListView;
class QPainter;
class QRect;
class QStackedLayout;
class QTreeView;

namespace qp::widgets {

class TListHeader;
class TListIconView;
class TListModel;
class TListReportView;
class TListRow;
class TExtListView;

// Events. The sender comes first; a reference parameter may be changed by the handler.
// Handlers run inside Qt's event handling and must not throw: the windows route them
// through ui::Guarded.
using TListEvent = std::function<void(TExtListView& Sender)>;
using TColumnClickEvent = std::function<void(TExtListView& Sender, int Column)>;
// SortColumn is the column less one (-1 for the caption column). Leaving SortAs at saNone
// makes CompResult the answer; otherwise the list compares the column's texts as asked.
using TSortItemsEvent =
    std::function<void(TExtListView& Sender, const ui::IListItem& Item1, const ui::IListItem& Item2,
                       int SortColumn, TSortAs& SortAs, int& CompResult)>;
using TSortEvent = std::function<void(TExtListView& Sender, int SortColumn, bool Ascending)>;
// Clearing DefaultDrawing leaves the cell as the handler painted it.
using TDrawHeaderEvent = std::function<void(TExtListView& Control, QPainter& ACanvas, int Index,
                                            QRect& ARect, bool Selected, bool& DefaultDrawing)>;
using TItemCheckedEvent = std::function<void(TExtListView& Sender, int ItemIndex, bool Checked)>;
// Current is the caption when it is shown in full, else empty; a non-empty Additional is
// appended to the tip (caption shown in full) or replaces it.
using TInfoTipEvent = std::function<void(TExtListView& Sender, int ItemIndex, int SubItemIndex,
                                         const std::string& Current, std::string& Additional)>;

// A list view. Set it up (columns, properties), then call Loaded once: until then sorting
// waits, as it does between BeginUpdate and EndUpdate. Owned by its Qt parent; window
// thread only.
class TExtListView : public QWidget, public ui::IListView {
  Q_OBJECT

 public:
  static constexpr const char* Version = "TExtListView 1.0";

  explicit TExtListView(QWidget* parent = nullptr);
  // Stores the settings when SaveSettings.AutoSave is set.
  ~TExtListView() override;

  // --- Columns
  void AddColumn(const std::string& caption, int width,
                 TColumnAlign align = TColumnAlign::taLeftJustify);
  int ColumnCount() const;
  std::string ColumnCaption(int column) const;
  TColumnAlign ColumnAlignment(int column) const;
  int ColumnWidth(int column) const;
  void SetColumnWidth(int column, int width);
  // The column shown at each display position, from the left.
  std::vector<int> ColumnOrder() const;
  // Applies an order that is a permutation of the columns; any other is ignored.
  void SetColumnOrder(const std::vector<int>& order);
  // The column at a display position, and the display position of a column (0 when the
  // position or column does not exist).
  int ColumnAtPosition(int position) const;
  int PositionOfColumn(int column) const;
  // The column that takes the room the window gives the list (and shrinks with it); -1 none.
  void SetStretchColumn(int column);
  // Completes the setup: sorting may happen from now on; with SaveSettings.AutoSave the
  // settings are loaded; unless they restored a sort, column 0 becomes the sort column and
  // the rows are sorted.
  void Loaded();

  // --- Sorting
  TAutoColumnSort AutoColumnSort() const { return FAutoColumnSort; }
  // A change to a sorting value sorts the rows.
  void SetAutoColumnSort(TAutoColumnSort value);
  TAutoSortStyle AutoSortStyle() const { return FAutoSortStyle; }
  // A change sorts the rows.
  void SetAutoSortStyle(TAutoSortStyle value);
  // Sort again whenever a row is added (it is placed by its texts at that moment, usually
  // empty). Inside BeginUpdate/EndUpdate the sort waits for the bracket to close.
  bool AutoResort = true;
  bool AutoSortAscending() const { return FAutoSortAscending; }
  // The direction a click on a new column starts with; also sets the current direction.
  void SetAutoSortAscending(bool value);
  bool ShowSortArrows() const { return FShowSortArrows; }
  void SetShowSortArrows(bool value);
  bool ReverseSortArrows() const { return FReverseSortArrows; }
  void SetReverseSortArrows(bool value);
  // Typing selects the next row whose text in the sort column starts with what was typed.
  bool ColumnSearch = false;
  bool NoColumnResize() const { return FNoColumnResize; }
  void SetNoColumnResize(bool value);
  TExtLVSaveSettings SaveSettings;
  // The date, number and text rules of the comparisons; the user's locale at creation.
  TSortLocale SortLocale;

  int SortColumnIndex() const { return FSortColumn; }
  bool SortAscending() const { return FSortAscending; }
  // Sorts the rows now by column and direction, which become the list's sort.
  void SortByColumn(int column, bool ascending);
  // Sorts by the list's sort column and direction, now or, inside an update bracket (or
  // before Loaded), when it closes; only when clicks sort or OnSortItems is set.
  void ResortList();
  // What a click on a column header does.
  void ColumnClick(int column);
  // Write and read the settings under SaveSettings.RegistryKey in the application's
  // QSettings; LoadSettings returns true when it restored a sort.
  void StoreSettings();
  bool LoadSettings();

  // --- Extended styles and columns' formats
  TLVExtendedStyles ExtendedStyles() const { return FExtendedStyles; }
  // Stores the set with its implied styles (NormalizeExtendedStyles) and applies it.
  void SetExtendedStyles(TLVExtendedStyles styles);
  const std::vector<TExtListColumn>& ColumnsFormat() const { return FColumnsFormat; }
  // The header image and resize permission of a column; updates the header.
  void SetColumnFormat(int column, const TExtListColumn& format);
  // Small images (report, small icon and list views, header images) and large images (icon
  // view); the caller keeps them alive for as long as the list uses them.
  void SetSmallImages(const std::vector<QIcon>* images, QSize size = QSize(16, 16));
  void SetLargeImages(const std::vector<QIcon>* images, QSize size = QSize(32, 32));
  TViewStyle ViewStyle() const { return FViewStyle; }
  void SetViewStyle(TViewStyle style);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool value);

  // --- Events
  TSortItemsEvent OnSortItems;
  TSortEvent OnSortBegin;
  TSortEvent OnSortFinished;
  TDrawHeaderEvent OnDrawHeader;
  TColumnClickEvent OnColumnClick;
  // A double-click on a row, or Enter while a row is selected.
  TListEvent OnDblClick;
  // A row activated by a double-click, or by one or two clicks with those styles.
  TListEvent OnItemActivate;
  TItemCheckedEvent OnItemChecked;
  TInfoTipEvent OnInfoTip;
  // The error beep of a search that found nothing, and the millisecond clock of the
  // search; tests replace them.
  std::function<void()> Beep;
  std::function<uint64_t()> Clock;

  // --- ui::IListView
  ui::IListItem& Add() override;
  void Clear() override;
  int Count() const override;
  ui::IListItem& Item(int index) override;
  void Delete(int index) override;
  ui::IListItem* Selected() override;
  int SelCount() const override;
  void Show() override { show(); }
  void Hide() override { hide(); }
  bool Visible() const override { return !isHidden(); }
  // The window's layouts place the list, so a position asked for changes nothing.
  void SetTop(int top) override { (void)top; }
  // Brackets a fill: rows reach the views, and a requested sort happens, once, when the
  // outermost bracket closes. EndUpdate never takes the depth below 0.
  void BeginUpdate() override;
  void EndUpdate() override;

  // Selects only the row (-1: nothing), makes it current and scrolls it into view.
  void SelectRow(int row);
  // The tip shown over a row's cell; empty for none.
  QString InfoTipText(int row, int column);
  // The layout of a header cell as it is painted now (for a column shown in the header).
  THeaderCellLayout HeaderCellLayout(int column) const;
  // True when the header cell of the column carries the sort arrow; Up tells its direction.
  bool ArrowInColumn(int column) const;
  bool ArrowPointsUp() const { return FSortAscending != FReverseSortArrows; }
  // The report view (with the header) and the view of the other styles.
  QTreeView& ReportView() const;
  QListView& IconView() const;
  TListHeader& Header() const { return *FHeader; }

 private:
  friend class TListHeader;
  template <class View>
  friend class TListViewOf;
  class TSettingsTarget;

  bool PaintsHeader() const { return FShowSortArrows || static_cast<bool>(OnDrawHeader); }
  const std::vector<QIcon>* SmallImages() const { return FSmallImages; }
  QSize SmallImageSize() const { return FSmallImageSize; }
  void SetSortColumnIndex(int column);
  void RepaintHeader();
  void UpdateResizeModes();
  void ApplyViewStyle();
  // The comparison of a sort through OnSortItems.
  int CompareRows(const TListRow& a, const TListRow& b, int column, int direction);
  // The search of a typed text; false when the list leaves the keys to the view.
  bool SearchKeys(const QString& text);
  // True when Enter was taken as a double-click.
  bool EnterPressed();
  void RowClicked(int row, bool wasCurrent);
  bool CaptionShownInFull(int row) const;

  TListModel* FModel = nullptr;
  TListReportView* FReport = nullptr;
  TListIconView* FIcons = nullptr;
  TListHeader* FHeader = nullptr;
  QStackedLayout* FStack = nullptr;
  QItemSelectionModel* FSelection = nullptr;

  TAutoColumnSort FAutoColumnSort = TAutoColumnSort::acsNoSort;
  TAutoSortStyle FAutoSortStyle = TAutoSortStyle::assSmart;
  bool FAutoSortAscending = true;
  bool FShowSortArrows = false;
  bool FReverseSortArrows = false;
  bool FNoColumnResize = false;
  int FSortColumn = -1;
  bool FSortAscending = true;
  int FUpdateDepth = 1;  // until Loaded
  bool FSortPending = false;
  bool FLoaded = false;
  int FStretchColumn = -1;
  TColumnSearch FSearch;

  TLVExtendedStyles FExtendedStyles{TLVExtendedStyle::lvxInfoTip};
  std::vector<TExtListColumn> FColumnsFormat;
  const std::vector<QIcon>* FSmallImages = nullptr;
  const std::vector<QIcon>* FLargeImages = nullptr;
  QSize FSmallImageSize{16, 16};
  QSize FLargeImageSize{32, 32};
  TViewStyle FViewStyle = TViewStyle::vsReport;
  bool FMultiSelect = false;
};

}  // namespace qp::widgets
