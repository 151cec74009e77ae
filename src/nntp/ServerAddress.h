// Where a news server is, as a row of the Servers table or a command line names it: a host
// and a port, and whether the connection speaks TLS from its first byte (implicit TLS, as
// RFC 4642 section 2.2 describes for port 563).
#pragma once

#include <string>

namespace qp::nntp {

// The port of news over TLS.
constexpr int kNNTPSPort = 563;
constexpr int kNNTPPort = 119;

struct TServerAddress {
  std::string Host;
  int Port = kNNTPPort;
  bool TLS = false;
};

// True when address begins with "nntps://" (letter case ignored); the prefix and a trailing
// "/" are then removed.
bool TakeTLSScheme(std::string& address);

// The server of a Servers row: an Address "nntps://HOST[:PORT]" connects with TLS, to the
// port it names or else to the row's Port, or to 563 when the row holds no port or the plain
// default 119; any other Address is the host, at the row's Port, with TLS exactly when that
// port is 563. The table's columns stay as they are.
TServerAddress ServerFromRow(const std::string& address, int port);

}  // namespace qp::nntp
