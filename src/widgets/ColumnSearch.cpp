#include "widgets/ColumnSearch.h"

#include "base/SysUtils.h"

namespace qp::widgets {

int TColumnSearch::KeyTyped(char c, uint64_t nowMs, int selected, int count,
                            const std::function<std::string_view(int row)>& textOf) {
  if (nowMs - FLastKeyTime > kPauseMs) FText.clear();
  const std::string previous = FText;
  FText += c;
  FLastKeyTime = nowMs;
  if (count > 0) {
    // Without a selection the search starts at row 1, so row 0 is visited last.
    const int start = (selected < 0 ? 1 : selected + 1) % count;
    for (int visited = 0; visited < count; ++visited) {
      const int row = (start + visited) % count;
      if (StartsText(FText, textOf(row))) return row;
    }
  }
  FText = previous;
  return -1;
}

}  // namespace qp::widgets
