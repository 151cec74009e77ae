// Fills of a list inside one update bracket.
#pragma once

#include "ui/WindowSystem.h"

namespace qp::ui {

// Holds a list between BeginUpdate and EndUpdate for as long as it lives, so a fill of many
// rows reaches the window and sorts once, also when the fill stops on an exception. Lives
// on the stack of the handler that fills; message-loop thread.
class TListUpdate {
 public:
  explicit TListUpdate(IListView& list) : FList(list) { FList.BeginUpdate(); }
  ~TListUpdate() { FList.EndUpdate(); }
  TListUpdate(const TListUpdate&) = delete;
  TListUpdate& operator=(const TListUpdate&) = delete;

 private:
  IListView& FList;
};

}  // namespace qp::ui
