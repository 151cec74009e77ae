// SOCKS proxy settings of a TCP client and the negotiation the I/O layer runs after the TCP
// connect to the proxy: SOCKS 4 and 4A, and SOCKS 5 (RFC 1928) with no login or with a user
// name and password (RFC 1929).
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

  // Limits of the requests: a version 5 request holds at most 258 bytes (user name and
  // password together up to 255 bytes, a host name up to 251), a version 4 or 4A request at
  // most 264 (a user id up to 255 bytes; for 4A user id and host name together up to 254).
  static constexpr std::size_t kMaxSocks5Login = 255;
  static constexpr std::size_t kMaxSocks5Host = 251;
  static constexpr std::size_t kMaxSocks4UserId = 255;
  static constexpr std::size_t kMaxSocks4AUserIdAndHost = 254;

  // Copies the six settings.
  void Assign(const TSocksInfo& source);

  // "SOCKS 4", "SOCKS 4A" or "SOCKS 5"; "" for svNoSocks.
  static const char* VersionName(TSocksVersion version);

  // Asks the proxy, over the freshly connected connection, to connect onward to host:port.
  // Does nothing for svNoSocks. Every byte goes through the connection's buffers, so what
  // the server sends right after the proxy's reply stays there for the caller. Throws
  // ESocksError (its message naming the setting) for a user name, password or host name too
  // long for the request, before anything is sent; the ESocksError descendants for a refusal
  // of the proxy; for version 4 and 4A the connection's exception when the reply cannot be
  // read, for version 5 ESocksServerRespondError.
  void NegotiateSocks(TTCPConnection* connection, const std::string& host, int port) const;

 private:
  void CheckLimits(const std::string& host) const;
  void NegotiateSocks4(TTCPConnection& connection, const std::string& host, int port) const;
  void NegotiateSocks5(TTCPConnection& connection, const std::string& host, int port) const;

  TStackReference FStackReference;
};

}  // namespace qp::net
