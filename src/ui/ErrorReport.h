// The top-level error report: how a failure that no handler catches is shown.
#pragma once

#include <exception>
#include <string>

#include "ui/WindowSystem.h"

namespace qp::ui {

// The text shown for a message: a full stop is appended when the last character sorts
// after "." (so "Connection refused" gains one and "Done." or a text ending in a line
// break does not).
inline std::string ErrorReportText(std::string message) {
  // Compared as an unsigned byte, so a UTF-8 letter at the end also gets the full stop.
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}

// Shows the message in a message box with an error icon, captioned with the application
// title. Never throws.
inline void ShowException(IWindowSystem& windowSystem, const std::string& message) noexcept {
  try {
    windowSystem.MessageBox(ErrorReportText(message), windowSystem.Application().Title(),
                            TMsgButtons::mbOK, TMsgIcon::miError);
  } catch (...) {
    // A report that cannot be shown is dropped: the message loop must go on.
  }
}

// Runs handler; a failure it raises is shown by the top-level error report and goes no
// further. Every window-layer slot that calls into the logic goes through here, so no
// exception reaches the window system's event loop.
template <class Handler>
void Guarded(IWindowSystem& windowSystem, Handler&& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowException(windowSystem, e.what());
  } catch (...) {
    ShowException(windowSystem, "Unknown failure");
  }
}

}  // namespace qp::ui
