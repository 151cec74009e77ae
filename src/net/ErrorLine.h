// The line the reader's log shows for a caught network failure, shared by the main window's
// ReportError and the command-line companion.
#pragma once

#include <string>

namespace qp::net {

// "Error in FTP process - " followed by a short text for the socket errors 10060, 10061, 11001
// and 11004 (read from a "Socket Error # <number>" message), or by the whole message for any
// other failure. A line break inside the message stays, so the log shows further lines.
std::string ReportErrorText(const std::string& message);

}  // namespace qp::net
