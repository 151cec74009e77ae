// The list view on the offscreen platform: sorting by header clicks, arrows, update
// brackets, the column search, selection, tips and the saved settings.
#include <QApplication>
#include <QHeaderView>
#include <QListView>
#include <QSettings>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "support/QtTestApp.h"
#include "widgets/ExtListView.h"
#include "widgets/ListHeader.h"
#include "widgets/QtText.h"

namespace qp::widgets {
namespace {

using test::App;

int ByteOrder(const std::string& a, const std::string& b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

// Month/day/year dates; text by bytes, so the results do not hang on the machine's locale.
TSortLocale TestLocale() {
  TSortLocale locale;
  locale.CurrentYear = 2025;
  locale.Collate = ByteOrder;
  return locale;
}

// A list set up like the main window's lists: a click sorts (again: the other way), arrows,
// column search; the last column is right-aligned.
std::unique_ptr<TExtListView> SortedList(const std::vector<std::pair<const char*, int>>& columns,
                                         bool autoResort) {
  App();
  auto list = std::make_unique<TExtListView>();
  list->SortLocale = TestLocale();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    list->AddColumn(
        columns[i].first, columns[i].second,
        i + 1 == columns.size() ? TColumnAlign::taRightJustify : TColumnAlign::taLeftJustify);
  }
  list->SetExtendedStyles({TLVExtendedStyle::lvxFullRowSelect, TLVExtendedStyle::lvxInfoTip});
  list->SetAutoColumnSort(TAutoColumnSort::acsSortToggle);
  list->AutoResort = autoResort;
  list->SetShowSortArrows(true);
  list->ColumnSearch = true;
  list->Loaded();
  return list;
}

std::unique_ptr<TExtListView> GroupList() {
  return SortedList({{"Groups", 100}, {"Posts", 50}}, true);
}

// The message list, with the smart comparison.
std::unique_ptr<TExtListView> MessageList() {
  return SortedList({{"Subject", 100}, {"From", 65}, {"Date", 60}, {"Size", 40}}, false);
}

void AddRow(ui::IListView& list, const std::vector<std::string>& cells) {
  ui::IListItem& row = list.Add();
  row.SetCaption(cells.front());
  for (std::size_t i = 1; i < cells.size(); ++i) row.AddSubItem(cells[i]);
}

std::vector<std::string> Column(ui::IListView& list, int column) {
  std::vector<std::string> texts;
  for (int i = 0; i < list.Count(); ++i) {
    ui::IListItem& row = list.Item(i);
    texts.push_back(column == 0 ? row.Caption() : row.SubItems().at(column - 1));
  }
  return texts;
}

using Texts = std::vector<std::string>;

TEST(ExtListView, GroupsSortByPostsAsNumbersAndBackAndThenByName) {
  auto list = GroupList();
  list->BeginUpdate();
  AddRow(*list, {"comp.lang", "12"});
  AddRow(*list, {"alt.test", "3"});
  AddRow(*list, {"misc", "100"});
  list->EndUpdate();
  EXPECT_EQ(Column(*list, 0), (Texts{"alt.test", "comp.lang", "misc"}));
  EXPECT_TRUE(list->ArrowInColumn(0));

  list->ColumnClick(1);
  EXPECT_EQ(Column(*list, 1), (Texts{"3", "12", "100"}));
  EXPECT_TRUE(list->ArrowInColumn(1));
  EXPECT_FALSE(list->ArrowInColumn(0));
  EXPECT_TRUE(list->ArrowPointsUp());
  list->ColumnClick(1);
  EXPECT_EQ(Column(*list, 1), (Texts{"100", "12", "3"}));
  EXPECT_FALSE(list->ArrowPointsUp());
  list->ColumnClick(0);
  EXPECT_EQ(Column(*list, 0), (Texts{"alt.test", "comp.lang", "misc"}));
  EXPECT_TRUE(list->ArrowPointsUp());
  list->SetReverseSortArrows(true);
  EXPECT_FALSE(list->ArrowPointsUp());
}

TEST(ExtListView, AClickOnTheHeaderSorts) {
  auto list = GroupList();
  AddRow(*list, {"b", "12"});
  AddRow(*list, {"a", "3"});
  list->resize(300, 200);
  list->show();
  QApplication::processEvents();
  QHeaderView& header = *list->ReportView().header();
  const QPoint posts(header.sectionViewportPosition(1) + header.sectionSize(1) / 2,
                     header.height() / 2);
  QTest::mouseClick(header.viewport(), Qt::LeftButton, Qt::NoModifier, posts);
  EXPECT_EQ(list->SortColumnIndex(), 1);
  EXPECT_EQ(Column(*list, 1), (Texts{"3", "12"}));
}

TEST(ExtListView, MessagesSortSizesAsNumbersAndDatesChronologically) {
  auto list = MessageList();
  list->BeginUpdate();
  AddRow(*list, {"Re: big", "ann", "1/1/25", "1000"});
  AddRow(*list, {"small", "bob", "12/31/24", "999"});
  AddRow(*list, {"None here", "cy", "12/30/24", "None"});
  list->EndUpdate();
  list->ColumnClick(3);
  EXPECT_EQ(Column(*list, 3), (Texts{"999", "1000", "None"}));
  list->ColumnClick(2);
  EXPECT_EQ(Column(*list, 2), (Texts{"12/30/24", "12/31/24", "1/1/25"}));
  list->ColumnClick(2);
  EXPECT_EQ(Column(*list, 2), (Texts{"1/1/25", "12/31/24", "12/30/24"}));

  // Text-only comparison, as the list would compare without the smart style.
  list->SetAutoSortStyle(TAutoSortStyle::assDefault);
  list->ColumnClick(3);
  EXPECT_EQ(Column(*list, 3), (Texts{"1000", "999", "None"}));
}

TEST(ExtListView, WithoutAutoResortNewRowsKeepTheOrderOfAddition) {
  auto list = MessageList();
  EXPECT_EQ(list->SortColumnIndex(), 0);  // the arrow of column 0 after loading
  EXPECT_TRUE(list->ArrowInColumn(0));
  AddRow(*list, {"b"});
  AddRow(*list, {"a"});
  EXPECT_EQ(Column(*list, 0), (Texts{"b", "a"}));
  list->ColumnClick(0);  // the sort column again: descending
  EXPECT_EQ(Column(*list, 0), (Texts{"b", "a"}));
  AddRow(*list, {"c"});
  EXPECT_EQ(Column(*list, 0), (Texts{"b", "a", "c"}));
  EXPECT_TRUE(list->ArrowInColumn(0));
  EXPECT_FALSE(list->ArrowPointsUp());
}

TEST(ExtListView, WithAutoResortEachAdditionSortsWhileTheNewRowIsEmpty) {
  auto list = GroupList();
  AddRow(*list, {"b"});
  AddRow(*list, {"a"});
  AddRow(*list, {"c"});
  EXPECT_EQ(Column(*list, 0), (Texts{"c", "a", "b"}));
  list->ColumnClick(0);  // the same column: descending
  AddRow(*list, {"d"});
  EXPECT_EQ(Column(*list, 0), (Texts{"c", "b", "a", "d"}));
}

TEST(ExtListView, AFillInsideUpdateSortsOnce) {
  auto list = GroupList();
  int sorts = 0;
  list->OnSortBegin = [&sorts](TExtListView&, int column, bool ascending) {
    ++sorts;
    EXPECT_EQ(column, 0);
    EXPECT_TRUE(ascending);  // the sort's own direction
  };
  list->BeginUpdate();
  list->BeginUpdate();
  for (int i = 99; i >= 0; --i) AddRow(*list, {"g" + std::to_string(1000 + i), "1"});
  list->EndUpdate();
  EXPECT_EQ(sorts, 0);
  EXPECT_EQ(list->ReportView().model()->rowCount(), 0);  // the views see the rows at the end
  list->EndUpdate();
  EXPECT_EQ(sorts, 1);
  EXPECT_EQ(list->ReportView().model()->rowCount(), 100);
  EXPECT_EQ(list->Item(0).Caption(), "g1000");
  EXPECT_EQ(list->Item(99).Caption(), "g1099");
  list->EndUpdate();  // never below 0: the next addition sorts at once
  AddRow(*list, {"a"});
  EXPECT_EQ(sorts, 2);
}

TEST(ExtListView, RowsAndTheSelectionFollowASort) {
  auto list = GroupList();
  list->BeginUpdate();
  AddRow(*list, {"c", "1"});
  AddRow(*list, {"a", "3"});
  AddRow(*list, {"b", "2"});
  list->EndUpdate();
  ui::IListItem& b = list->Item(1);
  ASSERT_EQ(b.Caption(), "b");
  list->SelectRow(1);
  list->ColumnClick(1);  // 1, 2, 3: c, b, a
  EXPECT_EQ(b.Index(), 1);
  list->ColumnClick(1);  // a, b, c
  list->ColumnClick(0);
  list->ColumnClick(0);  // c, b, a
  EXPECT_EQ(b.Caption(), "b");
  ASSERT_NE(list->Selected(), nullptr);
  EXPECT_EQ(list->Selected(), &b);
  EXPECT_TRUE(b.Selected());
  EXPECT_EQ(list->SelCount(), 1);
  list->Delete(0);
  EXPECT_EQ(b.Index(), 0);
  EXPECT_EQ(list->Selected(), &b);
  list->Clear();
  EXPECT_EQ(list->Selected(), nullptr);
  EXPECT_EQ(list->Count(), 0);
}

TEST(ExtListView, ASortHandlerThatAnswersAtRandomKeepsEveryRow) {
  auto list = GroupList();
  std::mt19937 random(1);
  list->OnSortItems = [&random](TExtListView&, const ui::IListItem&, const ui::IListItem&, int,
                                TSortAs&, int& result) { result = static_cast<int>(random()); };
  list->BeginUpdate();
  for (int i = 0; i < 300; ++i) AddRow(*list, {std::to_string(i)});
  list->EndUpdate();
  list->ColumnClick(0);
  std::vector<int> captions;
  for (int i = 0; i < list->Count(); ++i) captions.push_back(std::stoi(list->Item(i).Caption()));
  std::sort(captions.begin(), captions.end());
  for (int i = 0; i < 300; ++i) EXPECT_EQ(captions[static_cast<std::size_t>(i)], i);

  // A handler that asks for a numeric comparison, or fails.
  list->OnSortItems = [](TExtListView&, const ui::IListItem&, const ui::IListItem&, int column,
                         TSortAs& sortAs, int&) {
    EXPECT_EQ(column, -1);
    sortAs = TSortAs::saNumeric;
  };
  list->SortByColumn(0, false);
  EXPECT_EQ(list->Item(0).Caption(), "299");
  EXPECT_EQ(list->Item(299).Caption(), "0");
  list->OnSortItems = [](TExtListView&, const ui::IListItem&, const ui::IListItem&, int, TSortAs&,
                         int&) { throw std::runtime_error("no"); };
  list->SortByColumn(0, true);  // everything equal: the order stays
  EXPECT_EQ(list->Item(0).Caption(), "299");
}

TEST(ExtListView, ColumnSearchByTypedKeys) {
  auto list = GroupList();
  list->BeginUpdate();
  for (const char* name : {"alt.test", "comp.lang.c", "misc.test", "Comp.os", "rec.arts"})
    AddRow(*list, {name, "1"});
  list->EndUpdate();  // by bytes: Comp.os, alt.test, comp.lang.c, misc.test, rec.arts
  uint64_t now = 50000;
  int beeps = 0;
  list->Clock = [&now] { return now; };
  list->Beep = [&beeps] { ++beeps; };
  list->resize(300, 200);
  list->show();
  QTreeView& view = list->ReportView();

  QTest::keyClick(&view, Qt::Key_C);  // no selection: starts at row 1
  ASSERT_NE(list->Selected(), nullptr);
  EXPECT_EQ(list->Selected()->Caption(), "comp.lang.c");
  now += 400;
  QTest::keyClick(&view, Qt::Key_O);  // "co", the next one after the selection
  EXPECT_EQ(list->Selected()->Caption(), "Comp.os");
  now += 400;
  QTest::keyClick(&view, Qt::Key_Z);
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(list->Selected()->Caption(), "Comp.os");
  now += 1001;
  QTest::keyClick(&view, Qt::Key_R);  // after a pause: a new search
  EXPECT_EQ(list->Selected()->Caption(), "rec.arts");

  list->ColumnClick(1);  // sorting by "Posts" searches there
  now += 2000;
  QTest::keyClick(&view, Qt::Key_A);
  EXPECT_EQ(beeps, 2);
}

TEST(ExtListView, AClickAnywhereInARowSelectsItWithFullRowSelect) {
  for (const bool fullRow : {true, false}) {
    SCOPED_TRACE(fullRow);
    auto list = MessageList();
    if (!fullRow) list->SetExtendedStyles({TLVExtendedStyle::lvxInfoTip});
    AddRow(*list, {"first", "ann", "1/1/25", "10"});
    AddRow(*list, {"second", "bob", "1/2/25", "20"});
    list->resize(400, 200);
    list->show();
    QApplication::processEvents();
    QTreeView& view = list->ReportView();
    const QRect date = view.visualRect(view.model()->index(1, 2));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, date.center());
    if (fullRow) {
      ASSERT_NE(list->Selected(), nullptr);
      EXPECT_EQ(list->Selected()->Index(), 1);
    } else {
      EXPECT_EQ(list->Selected(), nullptr);
    }
  }
}

TEST(ExtListView, EnterOnASelectedRowActsAsADoubleClick) {
  auto list = GroupList();
  int doubleClicks = 0;
  list->OnDblClick = [&doubleClicks](TExtListView&) { ++doubleClicks; };
  AddRow(*list, {"alt.test", "3"});
  list->resize(300, 200);
  list->show();
  QApplication::processEvents();
  QTreeView& view = list->ReportView();
  QTest::keyClick(&view, Qt::Key_Return);
  EXPECT_EQ(doubleClicks, 0);  // nothing selected
  list->SelectRow(0);
  QTest::keyClick(&view, Qt::Key_Return);
  QTest::keyClick(&view, Qt::Key_Enter);
  EXPECT_EQ(doubleClicks, 2);
  const QRect cell = view.visualRect(view.model()->index(0, 1));
  // A double-click as the window system delivers it: a click, then the second press.
  QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  EXPECT_EQ(doubleClicks, 3);
}

TEST(ExtListView, TipsShowTheCaption) {
  auto list = GroupList();
  AddRow(*list, {"comp.lang.c", "12"});
  list->SetColumnWidth(0, 300);
  EXPECT_EQ(list->InfoTipText(0, 1), "comp.lang.c");
  std::string current;
  list->OnInfoTip = [&current](TExtListView&, int item, int subItem, const std::string& shown,
                               std::string& additional) {
    EXPECT_EQ(item, 0);
    EXPECT_EQ(subItem, 1);
    current = shown;
    additional = " (12 posts)";
  };
  EXPECT_EQ(list->InfoTipText(0, 1), "comp.lang.c (12 posts)");
  EXPECT_EQ(current, "comp.lang.c");  // shown in full
  list->SetColumnWidth(0, 10);        // cut: the addition replaces the tip
  EXPECT_EQ(list->InfoTipText(0, 1), " (12 posts)");
  EXPECT_EQ(current, "");
  list->SetExtendedStyles({TLVExtendedStyle::lvxLabelTip});
  EXPECT_EQ(list->InfoTipText(0, 1), "comp.lang.c");
  list->SetColumnWidth(0, 300);
  EXPECT_EQ(list->InfoTipText(0, 1), "");
}

TEST(ExtListView, TheSizeArrowFollowsItsRightAlignedCaptionOrIsLeftOut) {
  auto list = MessageList();
  list->resize(500, 200);
  list->show();
  list->ColumnClick(3);
  const int arrow = list->Header().ArrowSize();
  ASSERT_GT(arrow, 0);
  const QHeaderView& header = *list->ReportView().header();
  const int cellRight = header.sectionViewportPosition(3) + header.sectionSize(3);
  THeaderCellLayout layout = list->HeaderCellLayout(3);
  EXPECT_TRUE(layout.ShowArrow);
  EXPECT_EQ(layout.Arrow.Right, cellRight - 6);
  EXPECT_EQ(layout.Caption.Right, cellRight - 14 - arrow);
  EXPECT_FALSE(list->HeaderCellLayout(2).ShowArrow);
  list->SetColumnWidth(3, 8 + arrow);
  EXPECT_FALSE(list->HeaderCellLayout(3).ShowArrow);
  // Painting takes the same path.
  EXPECT_FALSE(list->ReportView().header()->grab().isNull());
}

TEST(ExtListView, TheStretchColumnTakesTheWindowsWidth) {
  auto list = MessageList();
  list->SetStretchColumn(0);
  list->resize(400, 200);
  list->show();
  QApplication::processEvents();
  const int subject = list->ColumnWidth(0), size = list->ColumnWidth(3);
  list->resize(600, 200);
  QApplication::processEvents();
  EXPECT_EQ(list->ColumnWidth(0), subject + 200);
  EXPECT_EQ(list->ColumnWidth(3), size);
}

TEST(ExtListView, KeepsItsSettingsUnderItsKey) {
  {
    QSettings settings;
    settings.remove("tests/messages");
  }
  {
    auto list = MessageList();
    list->SaveSettings.AutoSave = true;
    list->SaveSettings.RegistryKey = "tests/messages";
    list->SetColumnWidth(1, 77);
    list->ColumnClick(3);
    list->ColumnClick(3);
  }
  {
    QSettings settings;
    EXPECT_EQ(settings.value("tests/messages/Columns/Order").toString(), "0,1,2,3");
    EXPECT_EQ(settings.value("tests/messages/Columns/Sizes").toString(), "100,77,60,40");
    EXPECT_EQ(settings.value("tests/messages/Sort/Ascending").toString(), "0");
    EXPECT_EQ(settings.value("tests/messages/Sort/SortCol").toString(), "3");
    EXPECT_EQ(settings.value("tests/messages/ViewStyle/ViewStyle").toString(), "3");
  }
  App();
  TExtListView list;
  list.SortLocale = TestLocale();
  for (const char* caption : {"Subject", "From", "Date", "Size"}) list.AddColumn(caption, 50);
  list.SetAutoColumnSort(TAutoColumnSort::acsSortToggle);
  list.SaveSettings.AutoSave = true;
  list.SaveSettings.RegistryKey = "tests/messages";
  AddRow(list, {"a", "x", "1/1/25", "5"});
  AddRow(list, {"b", "y", "1/2/25", "50"});
  list.Loaded();
  EXPECT_EQ(list.ColumnWidth(1), 77);
  EXPECT_EQ(list.SortColumnIndex(), 3);
  EXPECT_FALSE(list.SortAscending());
  EXPECT_EQ(Column(list, 3), (Texts{"50", "5"}));
  {
    QSettings settings;
    settings.setValue("tests/messages/Sort/SortCol", "9");
  }
  list.LoadSettings();
  EXPECT_EQ(list.SortColumnIndex(), 3);  // beyond the last column: the last one
  list.SaveSettings.AutoSave = false;
}

TEST(ExtListView, IconViewShowsCaptionsAndImages) {
  App();
  const std::vector<QIcon> images(4, QIcon(QPixmap(20, 20)));
  TExtListView list;
  list.SetLargeImages(&images, QSize(20, 20));
  list.SetViewStyle(TViewStyle::vsIcon);
  list.Loaded();
  ui::IListItem& icon = list.Add();
  icon.SetCaption("caf\xe9.txt");  // Latin-1, not UTF-8
  icon.SetImageIndex(3);
  const QModelIndex index = list.IconView().model()->index(0, 0);
  EXPECT_EQ(index.data().toString(), QString::fromUtf8("caf\xc3\xa9.txt"));
  EXPECT_FALSE(index.data(Qt::DecorationRole).isNull());
  EXPECT_EQ(list.IconView().viewMode(), QListView::IconMode);
  EXPECT_EQ(list.SortColumnIndex(), -1);  // no columns: nothing to sort by
}

}  // namespace
}  // namespace qp::widgets
