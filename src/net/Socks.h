// SOCKS proxy settings of a TCP client and the negotiation hook the I/O layer calls after
// connecting to the proxy.
#pragma once

#include <string>

#include "base/Component.h"
#include "net/Stack.h"

namespace qp::net {

class TTCPConnection;

enum TSocksVersion { svNoSocks, svSocks4, svSocks4A, svSocks5 };
enum TSocksAuthentication { saNoAuthentication, saUsernamePassword };

// Owned by the client that uses it (or by the program when shared); used on that thread.
class TSocksInfo : public TComponent {
 public:
  TSocksInfo() = default;

  TSocksVersion Version = svNoSocks;
  std::string Host;
  int Port = 0;
  TSocksAuthentication Authentication = saNoAuthentication;
  // Version 4 user id; version 5 user name.
  std::string Username;
  std::string Password;

  // Copies the six settings.
  void Assign(const TSocksInfo& source);

  // Asks the proxy, over the freshly connected connection, to connect onward to host:port.
  // Does nothing for svNoSocks; the proxy protocols are not built yet and raise
  // ESocksNotAvailable.
  void NegotiateSocks(TTCPConnection* connection, const std::string& host, int port);

 private:
  TStackReference FStackReference;
};

}  // namespace qp::net
