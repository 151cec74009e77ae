// The sort of the lists: stable, and within bounds whatever the comparison answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "widgets/ListRows.h"
#include "widgets/MergeSort.h"

namespace qp::widgets {
namespace {

const std::size_t kSizes[] = {0, 1, 2, 15, 16, 17, 31, 33, 100, 1000, 4097};

TEST(MergeSort, GivesAPermutationWhateverTheComparisonAnswers) {
  std::mt19937 random(14);
  for (std::size_t size : kSizes) {
    SCOPED_TRACE(size);
    std::vector<int> items(size);
    std::iota(items.begin(), items.end(), 0);
    MergeSort(items, [&random](int, int) { return random() % 2 == 0; });
    std::vector<int> sorted = items;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> expected(size);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(sorted, expected);
  }
}

TEST(MergeSort, MatchesStableSortOnAProperOrder) {
  std::mt19937 random(7);
  for (std::size_t size : kSizes) {
    SCOPED_TRACE(size);
    // Few distinct keys, so that stability shows.
    std::vector<std::pair<int, int>> items;
    for (std::size_t i = 0; i < size; ++i) items.emplace_back(random() % 5, static_cast<int>(i));
    std::vector<std::pair<int, int>> expected = items;
    const auto byKey = [](const auto& a, const auto& b) { return a.first < b.first; };
    std::stable_sort(expected.begin(), expected.end(), byKey);
    MergeSort(items, byKey);
    EXPECT_EQ(items, expected);
  }
}

TEST(ListRows, SortKeepsRowsAndTheirIndexesWhateverTheComparisonAnswers) {
  TListRows rows;
  std::vector<const TListRow*> added;
  for (int i = 0; i < 500; ++i) {
    TListRow& row = rows.Append();
    row.SetCaption(std::to_string(i));
    row.SetData(static_cast<uint64_t>(i));
    added.push_back(&row);
  }
  std::mt19937 random(3);
  rows.Sort(
      [&random](const TListRow&, const TListRow&) { return static_cast<int>(random() % 3) - 1; });
  std::vector<uint64_t> data;
  for (int i = 0; i < rows.Count(); ++i) {
    EXPECT_EQ(rows.At(i).Index(), i);
    data.push_back(rows.At(i).Data());
  }
  std::sort(data.begin(), data.end());
  for (std::size_t i = 0; i < data.size(); ++i) EXPECT_EQ(data[i], i);
  // A row reached before the sort is the same row after it.
  EXPECT_EQ(added[42]->Caption(), "42");
  EXPECT_EQ(&rows.At(added[42]->Index()), added[42]);
}

TEST(ListRows, CellsBeyondARowsTextsAreEmpty) {
  TListRows rows;
  TListRow& first = rows.Append();
  TListRow& second = rows.Append();
  second.SetCaption("group");
  second.AddSubItem("12");
  EXPECT_EQ(second.Cell(2), "");
  EXPECT_EQ(second.Cell(-1), "");
  EXPECT_FALSE(first.Selected());  // no selection source
  rows.Erase(0);
  EXPECT_EQ(second.Index(), 0);
  EXPECT_THROW(rows.Erase(1), std::out_of_range);
}

}  // namespace
}  // namespace qp::widgets
