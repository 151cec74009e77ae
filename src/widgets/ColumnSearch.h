// Type-ahead search in the sort column of a list: the characters typed within a second of
// each other make one search text, and each key selects the next row whose text in the
// column starts with it. No Qt here; the list feeds it keys and the clock.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qp::widgets {

// The search text and the time of its last key. Owned by one list, used on its thread.
class TColumnSearch {
 public:
  // A pause longer than this, in milliseconds, starts a new search text.
  static constexpr uint64_t kPauseMs = 1000;

  // True for the characters that take part in a search: one byte from 32 to 127.
  static bool Searchable(char32_t c) { return c >= 32 && c <= 127; }

  // Adds c (Searchable) typed at nowMs to the search text, after dropping the text when more
  // than kPauseMs passed since the last key. Then visits each of the count rows once,
  // starting after the row selected (with none selected, at row 1) and wrapping from the
  // last row to the first, for the first whose text (textOf) starts with the search text,
  // ASCII letter case ignored. Returns that row; returns -1 when none matches, and then the
  // character is dropped again (the caller beeps).
  int KeyTyped(char c, uint64_t nowMs, int selected, int count,
               const std::function<std::string_view(int row)>& textOf);

  const std::string& Text() const { return FText; }

 private:
  std::string FText;
  uint64_t FLastKeyTime = 0;
};

}  // namespace qp::widgets
