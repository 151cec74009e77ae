#include "nntp/ServerAddress.h"

#include "base/SysUtils.h"

namespace qp::nntp {

bool TakeTLSScheme(std::string& address) {
  const std::string scheme = "nntps://";
  if (address.size() < scheme.size() || !SameText(address.substr(0, scheme.size()), scheme))
    return false;
  address.erase(0, scheme.size());
  if (!address.empty() && address.back() == '/') address.pop_back();
  return true;
}

TServerAddress ServerFromRow(const std::string& address, int port) {
  TServerAddress server;
  server.Host = address;
  server.Port = port;
  if (!TakeTLSScheme(server.Host)) {
    server.TLS = port == kNNTPSPort;
    return server;
  }
  server.TLS = true;
  const std::size_t colon = server.Host.rfind(':');
  int64_t named = 0;
  if (colon != std::string::npos && TryStrToInt64(server.Host.substr(colon + 1), named) &&
      named >= 1 && named <= 65535) {
    server.Port = static_cast<int>(named);
    server.Host.resize(colon);
  } else if (port <= 0 || port == kNNTPPort) {
    server.Port = kNNTPSPort;
  }
  return server;
}

}  // namespace qp::nntp
