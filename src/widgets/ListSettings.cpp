#include "widgets/ListSettings.h"

#include <algorithm>
#include <cstdint>

#include "base/SysUtils.h"

namespace qp::widgets {

namespace {

// Widths beyond this are taken for damage rather than a column anyone could see.
constexpr int kMaxColumnWidth = 100000;

std::string JoinNumbers(const std::vector<int>& numbers) {
  std::string text;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    if (i > 0) text += ',';
    text += std::to_string(numbers[i]);
  }
  return text;
}

std::vector<std::string> SplitAtCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    parts.push_back(Trim(std::string_view(text).substr(start, comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return parts;
}

std::optional<int> ReadInt(const std::string& text) {
  int64_t value = 0;
  if (!TryStrToInt64(Trim(text), value) || value < INT32_MIN || value > INT32_MAX)
    return std::nullopt;
  return static_cast<int>(value);
}

bool IsPermutation(std::vector<int> order, int count) {
  if (static_cast<int>(order.size()) != count) return false;
  std::sort(order.begin(), order.end());
  for (int i = 0; i < count; ++i) {
    if (order[static_cast<std::size_t>(i)] != i) return false;
  }
  return true;
}

}  // namespace

void StoreListSettings(const TExtLVSaveSettings& settings, const IListSettingsTarget& list,
                       ISettingsStore& store) {
  const int columns = list.ColumnCount();
  if (settings.SaveColumnOrder && columns > 0)
    store.Write("Columns", "Order", JoinNumbers(list.ColumnOrder()));
  if (settings.SaveColumnSizes && columns > 0) {
    std::vector<int> widths;
    for (int position = 0; position < columns; ++position)
      widths.push_back(list.WidthAtPosition(position));
    store.Write("Columns", "Sizes", JoinNumbers(widths));
  }
  if (settings.SaveCurrentSort) {
    store.Write("Sort", "Ascending", list.SortAscending() ? "1" : "0");
    store.Write("Sort", "SortCol", std::to_string(list.SortColumn()));
  }
  if (settings.SaveViewStyle)
    store.Write("ViewStyle", "ViewStyle", std::to_string(list.ViewStyle()));
}

bool LoadListSettings(const TExtLVSaveSettings& settings, IListSettingsTarget& list,
                      ISettingsStore& store) {
  const int columns = list.ColumnCount();
  if (columns > 0) {
    if (settings.SaveColumnOrder) {
      std::vector<int> order;
      const std::optional<std::string> text = store.Read("Columns", "Order");
      if (text && !text->empty()) {
        for (const std::string& part : SplitAtCommas(*text))
          order.push_back(ReadInt(part).value_or(0));
      }
      if (!IsPermutation(order, columns)) {
        order.clear();
        for (int column = 0; column < columns; ++column) order.push_back(column);
      }
      list.SetColumnOrder(order);
    }
    if (settings.SaveColumnSizes) {
      const std::optional<std::string> text = store.Read("Columns", "Sizes");
      if (text && !text->empty()) {
        const std::vector<std::string> parts = SplitAtCommas(*text);
        for (int position = 0; position < columns && position < static_cast<int>(parts.size());
             ++position) {
          const std::optional<int> width = ReadInt(parts[static_cast<std::size_t>(position)]);
          if (width && *width >= 0 && *width <= kMaxColumnWidth)
            list.SetWidthAtPosition(position, *width);
        }
      }
    }
  }
  bool restored = false;
  if (settings.SaveCurrentSort) {
    bool ascending = list.SortAscending();
    const std::optional<std::string> direction = store.Read("Sort", "Ascending");
    if (!direction) {
      ascending = true;
    } else if (const std::optional<int> value = ReadInt(*direction)) {
      ascending = *value != 0;
    }
    int column = 0;
    if (const std::optional<std::string> text = store.Read("Sort", "SortCol"))
      column = ReadInt(*text).value_or(0);
    column = std::min(column, columns - 1);
    if (column < 0) column = 0;
    list.RestoreSort(ascending, column);
    restored = true;
  }
  if (settings.SaveViewStyle) {
    int style = -1;
    if (const std::optional<std::string> text = store.Read("ViewStyle", "ViewStyle"))
      style = ReadInt(*text).value_or(-1);
    if (style >= 0 && style <= 3) list.SetViewStyle(style);
  }
  return restored;
}

}  // namespace qp::widgets
