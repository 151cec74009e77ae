// The controls of the main window as the reader's logic sees them.
#pragma once

#include <string>

#include "ui/WindowSystem.h"

namespace qp::app {

// The main window's controls, built by the window layer with the window's fixed layout:
// the "&Servers" menu already holds the three commands "Disconnect",
// "Server Management ...", "Subscribe/Unsubscribe ..." and a separator. Owned by the start
// routine for the whole run; used on the message-loop thread.
class IMainView {
 public:
  virtual ~IMainView() = default;
  virtual ui::ITree& tvList() = 0;
  virtual ui::IListView& lvGroups() = 0;
  virtual ui::IListView& lvMsgs() = 0;
  virtual ui::IListView& lvAtt() = 0;
  virtual ui::IMemo& memMsg() = 0;
  virtual ui::IMemo& memLog() = 0;
  virtual ui::IStatusBar& barStat() = 0;
  virtual ui::IMenu& mnuServers() = 0;
  virtual ui::ISaveDialog& dlgSave() = 0;
  // The height of the right pane's client area, for placing lvAtt at its bottom.
  virtual int RightPaneHeight() const = 0;
  // Shows the window (centred on the desktop the first time).
  virtual void Show() = 0;
  // The window's title.
  virtual void SetCaption(const std::string& caption) = 0;
};

}  // namespace qp::app
