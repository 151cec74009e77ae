// The rows of a sortable list as plain data: the reader's logic reaches each row through
// ui::IListItem, the list's item model shows them, and a sort reorders them without moving
// them in memory. No Qt here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/WindowSystem.h"
#include "widgets/MergeSort.h"

namespace qp::widgets {

class TListRows;

// One row: the caption (cell 0), its sub-items (cells 1 ...), a number and a key kept with
// it, an image index and a check state. Owned by its TListRows; its address stays the same
// until it is deleted or the rows are cleared, whatever sorts happen in between.
class TListRow : public ui::IListItem {
 public:
  explicit TListRow(TListRows& owner) : FOwner(&owner) {}

  std::string Caption() const override { return FCells.front(); }
  void SetCaption(const std::string& caption) override;
  void AddSubItem(const std::string& text) override;
  std::vector<std::string> SubItems() const override;
  uint64_t Data() const override { return FData; }
  void SetData(uint64_t data) override { FData = data; }
  std::string Key() const override { return FKey ? *FKey : Caption(); }
  void SetKey(const std::string& key) override { FKey = key; }
  int ImageIndex() const override { return FImageIndex; }
  void SetImageIndex(int index) override;
  int Index() const override { return FIndex; }
  bool Selected() const override;

  // The text of a column: the caption for 0, the sub-item column - 1 for the others, the
  // empty text for a column the row has no text for.
  const std::string& Cell(int column) const;
  bool Checked() const { return FChecked; }
  // Changes the check state; true when it changed.
  bool SetChecked(bool checked);

 private:
  friend class TListRows;
  TListRows* FOwner;
  int FIndex = 0;
  std::vector<std::string> FCells{std::string()};
  uint64_t FData = 0;
  std::optional<std::string> FKey;
  int FImageIndex = -1;
  bool FChecked = false;
};

// The rows of one list in display order. Owned by the list's item model; window thread.
class TListRows {
 public:
  // Called after a row's texts or image changed, with its index.
  std::function<void(int index)> OnRowChanged;
  // Answers whether the row at an index is selected; without it no row is.
  std::function<bool(int index)> IsRowSelected;

  TListRow& Append();
  void Clear() { FRows.clear(); }
  // Removes the row; later rows move up one index. Throws std::out_of_range.
  void Erase(int index);
  int Count() const { return static_cast<int>(FRows.size()); }
  // Throws std::out_of_range.
  TListRow& At(int index) { return *FRows.at(static_cast<std::size_t>(index)); }
  const TListRow& At(int index) const { return *FRows.at(static_cast<std::size_t>(index)); }

  // Reorders the rows stably: a row moves before an earlier one only when compare(later,
  // earlier) is negative. Safe whatever compare answers (see MergeSort).
  void Sort(const std::function<int(const TListRow& a, const TListRow& b)>& compare);
  // The same with a key made once per row (makeKey(row)) and compared by compare(keyA,
  // keyB), for comparisons that would otherwise read each text again and again.
  template <class Key, class MakeKey, class Compare>
  void SortByKey(MakeKey makeKey, Compare compare);

 private:
  friend class TListRow;
  void Changed(const TListRow& row) const;
  void Renumber(std::size_t from);

  std::vector<std::unique_ptr<TListRow>> FRows;
};

template <class Key, class MakeKey, class Compare>
void TListRows::SortByKey(MakeKey makeKey, Compare compare) {
  std::vector<std::pair<Key, std::unique_ptr<TListRow>>> keyed;
  keyed.reserve(FRows.size());
  for (std::unique_ptr<TListRow>& row : FRows) {
    Key key = makeKey(*row);
    keyed.emplace_back(std::move(key), std::move(row));
  }
  MergeSort(keyed,
            [&compare](const auto& a, const auto& b) { return compare(a.first, b.first) < 0; });
  for (std::size_t i = 0; i < FRows.size(); ++i) FRows[i] = std::move(keyed[i].second);
  Renumber(0);
}

}  // namespace qp::widgets
