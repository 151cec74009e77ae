// Saving and loading a list's settings, and the extended styles' read-back, without Qt.
#include <gtest/gtest.h>

#include <map>

#include "widgets/ListOptions.h"
#include "widgets/ListSettings.h"

namespace qp::widgets {
namespace {

class MapStore : public ISettingsStore {
 public:
  std::optional<std::string> Read(const std::string& section, const std::string& name) override {
    auto it = Values.find(section + "/" + name);
    if (it == Values.end()) return std::nullopt;
    return it->second;
  }
  void Write(const std::string& section, const std::string& name,
             const std::string& value) override {
    Values[section + "/" + name] = value;
  }
  std::map<std::string, std::string> Values;
};

// A list of three columns, shown in the order Order, with widths by column.
class FakeList : public IListSettingsTarget {
 public:
  int ColumnCount() const override { return static_cast<int>(Widths.size()); }
  std::vector<int> ColumnOrder() const override { return Order; }
  void SetColumnOrder(const std::vector<int>& order) override { Order = order; }
  int WidthAtPosition(int position) const override { return Widths.at(Order.at(position)); }
  void SetWidthAtPosition(int position, int width) override {
    Widths.at(Order.at(position)) = width;
  }
  bool SortAscending() const override { return Ascending; }
  int SortColumn() const override { return Column; }
  void RestoreSort(bool ascending, int column) override {
    Ascending = ascending;
    Column = column;
    ++Sorts;
  }
  int ViewStyle() const override { return Style; }
  void SetViewStyle(int style) override { Style = style; }

  std::vector<int> Order{0, 1, 2};
  std::vector<int> Widths{100, 60, 40};
  bool Ascending = true;
  int Column = -1;
  int Sorts = 0;
  int Style = 3;
};

TEST(ListSettings, StoresEveryValueAsText) {
  TExtLVSaveSettings settings;
  FakeList list;
  list.Order = {2, 0, 1};
  list.Ascending = false;
  list.Column = 2;
  MapStore store;
  StoreListSettings(settings, list, store);
  EXPECT_EQ(store.Values, (std::map<std::string, std::string>{{"Columns/Order", "2,0,1"},
                                                              {"Columns/Sizes", "40,100,60"},
                                                              {"Sort/Ascending", "0"},
                                                              {"Sort/SortCol", "2"},
                                                              {"ViewStyle/ViewStyle", "3"}}));

  settings.SaveColumnOrder = settings.SaveColumnSizes = settings.SaveCurrentSort = false;
  store.Values.clear();
  StoreListSettings(settings, list, store);
  EXPECT_EQ(store.Values, (std::map<std::string, std::string>{{"ViewStyle/ViewStyle", "3"}}));

  FakeList empty;
  empty.Widths.clear();
  empty.Order.clear();
  store.Values.clear();
  StoreListSettings(TExtLVSaveSettings(), empty, store);
  EXPECT_EQ(store.Values.count("Columns/Order"), 0u);
  EXPECT_EQ(store.Values.count("Columns/Sizes"), 0u);
}

TEST(ListSettings, LoadsWithTheirFallbacks) {
  struct Row {
    const char* name;
    std::map<std::string, std::string> values;
    std::vector<int> order;
    std::vector<int> widths;
    bool ascending;
    int column;
    int style;
  };
  const Row rows[] = {
      {"nothing saved", {}, {0, 1, 2}, {100, 60, 40}, true, 0, 3},
      {"all saved",
       {{"Columns/Order", "1,2,0"},
        {"Columns/Sizes", "10,20,30"},
        {"Sort/Ascending", "0"},
        {"Sort/SortCol", "1"},
        {"ViewStyle/ViewStyle", "0"}},
       {1, 2, 0},
       {30, 10, 20},
       false,
       1,
       0},
      {"SortCol beyond the last column",
       {{"Sort/SortCol", "9"}},
       {0, 1, 2},
       {100, 60, 40},
       true,
       2,
       3},
      {"negative SortCol", {{"Sort/SortCol", "-4"}}, {0, 1, 2}, {100, 60, 40}, true, 0, 3},
      {"SortCol no number", {{"Sort/SortCol", "x"}}, {0, 1, 2}, {100, 60, 40}, true, 0, 3},
      {"Ascending no number keeps the direction",
       {{"Sort/Ascending", "yes"}},
       {0, 1, 2},
       {100, 60, 40},
       false,
       0,
       3},
      {"an order entry that is no number counts as 0",
       {{"Columns/Order", "2,x,1"}},
       {2, 0, 1},
       {100, 60, 40},
       true,
       0,
       3},
      {"an order that repeats a column is ignored",
       {{"Columns/Order", "0,0,1"}},
       {0, 1, 2},
       {100, 60, 40},
       true,
       0,
       3},
      {"an order of too few columns is ignored",
       {{"Columns/Order", "1,0"}},
       {0, 1, 2},
       {100, 60, 40},
       true,
       0,
       3},
      {"a width that is no number keeps that width",
       {{"Columns/Sizes", "10,x,-5"}},
       {0, 1, 2},
       {10, 60, 40},
       true,
       0,
       3},
      {"an empty width list changes nothing",
       {{"Columns/Sizes", ""}},
       {0, 1, 2},
       {100, 60, 40},
       true,
       0,
       3},
      {"a view style out of range",
       {{"ViewStyle/ViewStyle", "4"}},
       {0, 1, 2},
       {100, 60, 40},
       true,
       0,
       3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeList list;
    list.Ascending = false;  // what a value that is no number leaves
    MapStore store;
    store.Values = row.values;
    EXPECT_TRUE(LoadListSettings(TExtLVSaveSettings(), list, store));
    EXPECT_EQ(list.Order, row.order);
    EXPECT_EQ(list.Widths, row.widths);
    EXPECT_EQ(list.Ascending, row.ascending);
    EXPECT_EQ(list.Column, row.column);
    EXPECT_EQ(list.Sorts, 1);
    EXPECT_EQ(list.Style, row.style);
  }
}

TEST(ListSettings, LoadsOnlyWhatTheFlagsAskFor) {
  TExtLVSaveSettings settings;
  settings.SaveColumnOrder = settings.SaveColumnSizes = settings.SaveCurrentSort =
      settings.SaveViewStyle = false;
  FakeList list;
  MapStore store;
  store.Values = {{"Columns/Order", "2,1,0"},
                  {"Columns/Sizes", "1,2,3"},
                  {"Sort/SortCol", "1"},
                  {"ViewStyle/ViewStyle", "0"}};
  EXPECT_FALSE(LoadListSettings(settings, list, store));
  EXPECT_EQ(list.Order, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(list.Widths, (std::vector<int>{100, 60, 40}));
  EXPECT_EQ(list.Sorts, 0);
  EXPECT_EQ(list.Style, 3);
}

TEST(ExtendedStyles, ReadBackWithTheActivationTheyNeed) {
  using enum TLVExtendedStyle;
  struct Row {
    const char* name;
    TLVExtendedStyles set, readBack;
  };
  const Row rows[] = {
      {"underline cold adds one-click",
       {lvxUnderlineCold},
       {lvxUnderlineCold, lvxOneClickActivate}},
      {"underline hot adds one-click", {lvxUnderlineHot}, {lvxUnderlineHot, lvxOneClickActivate}},
      {"underline hot keeps two-click",
       {lvxUnderlineHot, lvxTwoClickActivate},
       {lvxUnderlineHot, lvxTwoClickActivate}},
      {"underline cold with two-click still adds one-click",
       {lvxUnderlineCold, lvxTwoClickActivate},
       {lvxUnderlineCold, lvxTwoClickActivate, lvxOneClickActivate}},
      {"the lists' styles stay", {lvxFullRowSelect, lvxInfoTip}, {lvxFullRowSelect, lvxInfoTip}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(NormalizeExtendedStyles(row.set), row.readBack);
  }
}

}  // namespace
}  // namespace qp::widgets
