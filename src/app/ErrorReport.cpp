#include "app/ErrorReport.h"

namespace qp {

std::string ErrorReportText(std::string message) {
  // Compared as an unsigned byte, so a UTF-8 letter at the end also gets the full stop.
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}

void ShowException(IWindowSystem& windowSystem, const std::string& message) noexcept {
  try {
    windowSystem.MessageBox(ErrorReportText(message), windowSystem.Application().Title(),
                            TMsgButtons::mbOK, TMsgIcon::miError);
  } catch (...) {
    // A report that cannot be shown is dropped: the message loop must go on.
  }
}

}  // namespace qp
