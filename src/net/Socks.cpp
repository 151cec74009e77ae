#include "net/Socks.h"

#include "net/NetExceptions.h"

namespace qp::net {

void TSocksInfo::Assign(const TSocksInfo& source) {
  Version = source.Version;
  Host = source.Host;
  Port = source.Port;
  Authentication = source.Authentication;
  Username = source.Username;
  Password = source.Password;
}

void TSocksInfo::NegotiateSocks(TTCPConnection* connection, const std::string& host, int port) {
  (void)connection, (void)host, (void)port;
  if (Version == svNoSocks) return;
  throw ESocksNotAvailable(
      Format("SOCKS %s negotiation is not available yet; connect without a proxy.",
             Version == svSocks4    ? "4"
             : Version == svSocks4A ? "4A"
                                    : "5"));
}

}  // namespace qp::net
