// The message list with a large group: 100,000 rows (subject, from, date, size as the
// overview gives them) filled into a list set up like the main window's message list on the
// offscreen platform, then sorted by each column. Baseline: std::stable_sort of the same
// rows, from the same order, by the same column with the same comparison, in plain C++.
#include <QApplication>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "widgets/ExtListView.h"

namespace {

using namespace qp::widgets;

constexpr int kRows = 100000;
constexpr double kFillTarget = 0.5;   // seconds
constexpr double kSortTarget = 0.33;  // plain sort time / list sort time
using TCells = std::array<std::string, 4>;

// Rows as a news server's overview would give them: subjects with and without "Re: ",
// addresses, dates over three years in the locale's short form, byte counts.
std::vector<TCells> MessageRows() {
  static const char* const words[] = {"kernel", "patch", "question", "release", "build",
                                      "error",  "fix",   "news",     "reader",  "list"};
  static const char* const names[] = {"ann", "bob", "cy", "dee", "eve", "fay", "gus", "hal"};
  std::mt19937 random(19);
  std::vector<TCells> rows;
  rows.reserve(kRows);
  for (int i = 0; i < kRows; ++i) {
    std::string subject = random() % 3 == 0 ? "Re: " : "";
    for (int w = 0; w < 3; ++w) subject += std::string(words[random() % 10]) + " ";
    subject += std::to_string(random() % 1000);
    const std::string name = names[random() % 8];
    std::tm tm{};
    tm.tm_year = 122 + static_cast<int>(random() % 3);
    tm.tm_mon = static_cast<int>(random() % 12);
    tm.tm_mday = 1 + static_cast<int>(random() % 28);
    char date[64];
    const std::size_t length = std::strftime(date, sizeof date, "%x", &tm);
    rows.push_back({subject, name + " <" + name + "@example.org>", std::string(date, length),
                    std::to_string(300 + random() % 200000)});
  }
  return rows;
}

void SetUpLikeTheMessageList(TExtListView& list) {
  list.AddColumn("Subject", 300);
  list.AddColumn("From", 150);
  list.AddColumn("Date", 80);
  list.AddColumn("Size", 60, TColumnAlign::taRightJustify);
  list.SetStretchColumn(0);
  list.SetExtendedStyles({TLVExtendedStyle::lvxFullRowSelect, TLVExtendedStyle::lvxInfoTip});
  list.SetAutoColumnSort(TAutoColumnSort::acsSortToggle);
  list.SetAutoSortStyle(TAutoSortStyle::assSmart);
  list.AutoResort = false;
  list.SetShowSortArrows(true);
  list.ColumnSearch = true;
  list.Loaded();
}

// The list's rows in their current order.
std::vector<TCells> CurrentRows(TExtListView& list) {
  std::vector<TCells> rows;
  rows.reserve(static_cast<std::size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) {
    qp::ui::IListItem& item = list.Item(i);
    const std::vector<std::string> sub = item.SubItems();
    rows.push_back({item.Caption(), sub.at(0), sub.at(1), sub.at(2)});
  }
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const std::vector<TCells> rows = MessageRows();

  TExtListView list;
  SetUpLikeTheMessageList(list);
  list.resize(800, 600);
  list.show();
  QApplication::processEvents();

  qp::bench::Stopwatch fillWatch;
  list.BeginUpdate();
  for (int i = 0; i < kRows; ++i) {
    const TCells& cells = rows[static_cast<std::size_t>(i)];
    qp::ui::IListItem& row = list.Add();
    row.SetData(static_cast<uint64_t>(i + 1));
    row.SetCaption(cells[0]);
    row.AddSubItem(cells[1]);
    row.AddSubItem(cells[2]);
    row.AddSubItem(cells[3]);
  }
  list.EndUpdate();
  QApplication::processEvents();  // the first paint of the filled list
  const double fill = fillWatch.Seconds();
  std::printf("fill: %d rows in %.3f s\n", kRows, fill);

  const char* const names[] = {"subject", "from", "date", "size"};
  double listSeconds[4] = {1e9, 1e9, 1e9, 1e9}, plainSeconds[4] = {1e9, 1e9, 1e9, 1e9};
  for (int round = 0; round < 2; ++round) {  // best of two for each column
    for (int column = 0; column < 4; ++column) {
      std::vector<TCells> plain = CurrentRows(list);
      const TSortLocale& locale = list.SortLocale;
      qp::bench::Stopwatch plainWatch;
      std::stable_sort(plain.begin(), plain.end(),
                       [column, &locale](const TCells& a, const TCells& b) {
                         return CompareSortTexts(a[static_cast<std::size_t>(column)],
                                                 b[static_cast<std::size_t>(column)],
                                                 TAutoSortStyle::assSmart, locale) < 0;
                       });
      plainSeconds[column] = std::min(plainSeconds[column], plainWatch.Seconds());

      qp::bench::Stopwatch listWatch;
      list.SortByColumn(column, true);
      QApplication::processEvents();  // the repaint in the new order
      listSeconds[column] = std::min(listSeconds[column], listWatch.Seconds());
      if (CurrentRows(list) != plain) {
        std::printf("the list's order differs from the plain sort by %s\n", names[column]);
        return 1;
      }
    }
  }
  for (int column = 0; column < 4; ++column) {
    std::printf("sort by %s: list %.3f s, std::stable_sort %.3f s\n", names[column],
                listSeconds[column], plainSeconds[column]);
  }
  qp::bench::PrintResult("listview_fill", fill, "s", kFillTarget / fill, 1.0);
  for (int column = 0; column < 4; ++column) {
    const std::string name = std::string("listview_sort_") + names[column];
    qp::bench::PrintResult(name.c_str(), listSeconds[column] * 1000, "ms",
                           plainSeconds[column] / listSeconds[column], kSortTarget);
  }
  return 0;
}
