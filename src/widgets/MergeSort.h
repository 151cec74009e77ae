// A stable merge sort that stays within its range whatever the comparison answers. The
// lists' comparisons judge each pair by itself (two counts as numbers, "None" against a
// count as text), which is no strict weak order; std::sort and the insertion steps of
// std::stable_sort assume one and may then read outside the range.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace qp::widgets {

// Sorts items so that an element moves before an earlier one only when before(later,
// earlier) is true; equal elements keep their order. Every index it touches is checked
// against the range, so any answers of before (even random ones) give a permutation of the
// input. Takes O(n log n) comparisons and a buffer of n elements; before must not change
// items. T must be movable.
template <class T, class Before>
void MergeSort(std::vector<T>& items, Before before) {
  const std::size_t n = items.size();
  if (n < 2) return;
  // Short runs by insertion: the inner loop stops at the run's first element whatever
  // before answers.
  constexpr std::size_t kRun = 16;
  for (std::size_t lo = 0; lo < n; lo += kRun) {
    const std::size_t hi = lo + kRun < n ? lo + kRun : n;
    for (std::size_t i = lo + 1; i < hi; ++i) {
      std::size_t j = i;
      if (!before(items[j], items[j - 1])) continue;
      T moving = std::move(items[j]);
      do {
        items[j] = std::move(items[j - 1]);
        --j;
      } while (j > lo && before(moving, items[j - 1]));
      items[j] = std::move(moving);
    }
  }
  // Bottom-up merges, alternating between items and the buffer; each merge writes exactly
  // the elements of its two runs.
  std::vector<T> buffer(n);
  std::vector<T>* from = &items;
  std::vector<T>* to = &buffer;
  for (std::size_t width = kRun; width < n; width *= 2) {
    for (std::size_t lo = 0; lo < n; lo += 2 * width) {
      const std::size_t mid = lo + width < n ? lo + width : n;
      const std::size_t hi = lo + 2 * width < n ? lo + 2 * width : n;
      std::size_t left = lo, right = mid, out = lo;
      while (left < mid && right < hi) {
        // The left run wins ties, which keeps the sort stable.
        if (before((*from)[right], (*from)[left])) {
          (*to)[out++] = std::move((*from)[right++]);
        } else {
          (*to)[out++] = std::move((*from)[left++]);
        }
      }
      while (left < mid) (*to)[out++] = std::move((*from)[left++]);
      while (right < hi) (*to)[out++] = std::move((*from)[right++]);
    }
    std::swap(from, to);
  }
  if (from != &items) {
    for (std::size_t i = 0; i < n; ++i) items[i] = std::move(buffer[i]);
  }
}

}  // namespace qp::widgets
