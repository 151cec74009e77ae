#include "widgets/ListRows.h"

#include <stdexcept>

#include "widgets/MergeSort.h"

namespace qp::widgets {

void TListRow::SetCaption(const std::string& caption) {
  FCells.front() = caption;
  FOwner->Changed(*this);
}

void TListRow::AddSubItem(const std::string& text) {
  FCells.push_back(text);
  FOwner->Changed(*this);
}

std::vector<std::string> TListRow::SubItems() const {
  return {FCells.begin() + 1, FCells.end()};
}

void TListRow::SetImageIndex(int index) {
  FImageIndex = index;
  FOwner->Changed(*this);
}

bool TListRow::Selected() const {
  return FOwner->IsRowSelected && FOwner->IsRowSelected(FIndex);
}

const std::string& TListRow::Cell(int column) const {
  static const std::string empty;
  if (column < 0 || static_cast<std::size_t>(column) >= FCells.size()) return empty;
  return FCells[static_cast<std::size_t>(column)];
}

bool TListRow::SetChecked(bool checked) {
  if (FChecked == checked) return false;
  FChecked = checked;
  FOwner->Changed(*this);
  return true;
}

TListRow& TListRows::Append() {
  FRows.push_back(std::make_unique<TListRow>(*this));
  FRows.back()->FIndex = Count() - 1;
  return *FRows.back();
}

void TListRows::Erase(int index) {
  if (index < 0 || index >= Count())
    throw std::out_of_range("No list row " + std::to_string(index));
  FRows.erase(FRows.begin() + index);
  Renumber(static_cast<std::size_t>(index));
}

void TListRows::Sort(const std::function<int(const TListRow& a, const TListRow& b)>& compare) {
  MergeSort(FRows, [&compare](const std::unique_ptr<TListRow>& a,
                              const std::unique_ptr<TListRow>& b) { return compare(*a, *b) < 0; });
  Renumber(0);
}

void TListRows::Changed(const TListRow& row) const {
  if (OnRowChanged) OnRowChanged(row.FIndex);
}

void TListRows::Renumber(std::size_t from) {
  for (std::size_t i = from; i < FRows.size(); ++i) FRows[i]->FIndex = static_cast<int>(i);
}

}  // namespace qp::widgets
