#include "net/ErrorLine.h"

#include <cstdint>

#include "base/SysUtils.h"

namespace qp::net {

std::string ReportErrorText(const std::string& message) {
  const std::string prefix = "Error in FTP process - ";
  const std::string marker = "Socket Error #";
  const std::size_t at = message.find(marker);
  if (at != std::string::npos) {
    // The socket layer writes "Socket Error # <number>" CR LF <text>: the number runs to the
    // end of that line. The "#" taken is the marker's own, so an earlier "#" elsewhere in
    // the message cannot hide the number.
    const std::size_t start = at + marker.size();
    std::size_t end = message.find_first_of("\r\n", start);
    if (end == std::string::npos) end = message.size();
    int64_t number = 0;
    if (TryStrToInt64(Trim(message.substr(start, end - start)), number)) {
      switch (number) {
        case 10060:
          return prefix + "Timed out";
        case 10061:
          return prefix + "Connection refused";
        case 11001:
          return prefix + "Host not found";
        case 11004:
          return prefix + "Valid name, no data record of requested type";
        default:
          break;
      }
    }
    // Without a number the text did not come from the socket layer; it is logged whole.
  }
  return prefix + message;
}

}  // namespace qp::net
