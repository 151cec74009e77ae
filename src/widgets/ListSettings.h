// Saving a list's column order and widths, its sort and its view style as text values under
// the list's key, and reading them back with their fallbacks. No Qt here: the list supplies
// the store (QSettings) and its own state through the two interfaces below.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qp::widgets {

// Which settings a list keeps, and where. With AutoSave the list loads them when it is
// set up and stores them when it is destroyed.
struct TExtLVSaveSettings {
  bool AutoSave = false;
  std::string RegistryKey;  // the list's key in the settings store
  bool SaveColumnSizes = true;
  bool SaveCurrentSort = true;
  bool SaveViewStyle = true;
  bool SaveColumnOrder = true;
};

// Text values in sections under one key. Read gives std::nullopt for a missing value.
class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;
  virtual std::optional<std::string> Read(const std::string& section, const std::string& name) = 0;
  virtual void Write(const std::string& section, const std::string& name,
                     const std::string& value) = 0;
};

// The state of a list that the settings describe. Positions are display positions, from
// the left; an order holds the column shown at each position.
class IListSettingsTarget {
 public:
  virtual ~IListSettingsTarget() = default;
  virtual int ColumnCount() const = 0;
  virtual std::vector<int> ColumnOrder() const = 0;
  virtual void SetColumnOrder(const std::vector<int>& order) = 0;
  virtual int WidthAtPosition(int position) const = 0;
  virtual void SetWidthAtPosition(int position, int width) = 0;
  virtual bool SortAscending() const = 0;
  virtual int SortColumn() const = 0;
  // Sets the direction and the sort column and sorts once.
  virtual void RestoreSort(bool ascending, int column) = 0;
  virtual int ViewStyle() const = 0;
  virtual void SetViewStyle(int style) = 0;
};

// Writes "Columns"/"Order" and "Columns"/"Sizes" (when the list has columns),
// "Sort"/"Ascending" ("1" or "0"), "Sort"/"SortCol" and "ViewStyle"/"ViewStyle", each as
// its Save... flag asks. Throws what the store throws.
void StoreListSettings(const TExtLVSaveSettings& settings, const IListSettingsTarget& list,
                       ISettingsStore& store);

// Reads them back, in that order. A missing or empty order gives the identity, an entry
// that is no number counts as 0, and an order that is not a permutation of the columns is
// ignored; a width that is no number (or out of range) leaves that column's width; a
// missing "Ascending" means ascending and one that is no number keeps the direction;
// "SortCol" falls back to 0 and is clamped to the columns; a "ViewStyle" other than 0 to 3
// is ignored. Returns true when it restored the sort. Throws what the store throws.
bool LoadListSettings(const TExtLVSaveSettings& settings, IListSettingsTarget& list,
                      ISettingsStore& store);

}  // namespace qp::widgets
