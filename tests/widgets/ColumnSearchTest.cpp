// The type-ahead search in a list's sort column, without Qt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "widgets/ColumnSearch.h"

namespace qp::widgets {
namespace {

struct Key {
  char c;
  uint64_t at;       // milliseconds
  int selected;      // -1: none
  int expected;      // row found, -1: none (beep)
  const char* text;  // the search text afterwards
};

TEST(ColumnSearch, SelectsTheNextRowStartingWithTheTypedText) {
  const std::vector<std::string> groups = {"alt.test",      "comp.lang.c", "misc.test",
                                           "Comp.os.linux", "rec.arts",    "c"};
  struct Row {
    const char* name;
    std::vector<Key> keys;
  };
  const Row rows[] = {
      {"c then o within a second moves on to the next co",
       {{'c', 10000, 0, 1, "c"}, {'o', 10500, 1, 3, "co"}}},
      {"exactly a second still adds to the text",
       {{'c', 10000, 0, 1, "c"}, {'o', 11000, 1, 3, "co"}}},
      {"a longer pause starts a new text", {{'c', 10000, 0, 1, "c"}, {'r', 11001, 1, 4, "r"}}},
      {"letter case ignored", {{'C', 10000, 4, 5, "C"}, {'O', 10100, 5, 1, "CO"}}},
      {"a row shorter than the text does not match",
       {{'c', 10000, 4, 5, "c"}, {'.', 10100, 5, -1, "c"}}},
      {"a character that matches nothing is dropped",
       {{'c', 10000, 0, 1, "c"}, {'z', 10100, 1, -1, "c"}, {'o', 10200, 1, 3, "co"}}},
      {"after a pause a failed character leaves no text",
       {{'c', 10000, 0, 1, "c"}, {'z', 12000, 1, -1, ""}}},
      {"wraps from the last row to the first", {{'a', 10000, 3, 0, "a"}}},
      {"the selected row is visited last", {{'m', 10000, 2, 2, "m"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TColumnSearch search;
    for (const Key& key : row.keys) {
      SCOPED_TRACE(std::string(1, key.c));
      const int found =
          search.KeyTyped(key.c, key.at, key.selected, static_cast<int>(groups.size()),
                          [&groups](int i) { return std::string_view(groups[i]); });
      EXPECT_EQ(found, key.expected);
      EXPECT_EQ(search.Text(), key.text);
    }
  }
}

TEST(ColumnSearch, WithoutSelectionStartsAtRowOneAndEndsAtRowZero) {
  const std::vector<std::string> rows = {"beta", "alpha", "bravo"};
  std::vector<int> visited;
  TColumnSearch search;
  const int found = search.KeyTyped('b', 5000, -1, 3, [&](int i) {
    visited.push_back(i);
    return std::string_view(rows[i]);
  });
  EXPECT_EQ(found, 2);
  visited.clear();
  TColumnSearch fresh;
  EXPECT_EQ(fresh.KeyTyped('x', 5000, -1, 3,
                           [&](int i) {
                             visited.push_back(i);
                             return std::string_view(rows[i]);
                           }),
            -1);
  EXPECT_EQ(visited, (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(TColumnSearch().KeyTyped('a', 5000, -1, 0, [](int) { return std::string_view(); }), -1);
}

}  // namespace
}  // namespace qp::widgets
