#include "nntp/IdSocks.h"

#include "nntp/IdException.h"

namespace qp {

void TIdSocksInfo::Assign(const TIdSocksInfo& source) {
  Version = source.Version;
  Host = source.Host;
  Port = source.Port;
  Authentication = source.Authentication;
  Username = source.Username;
  Password = source.Password;
}

void TIdSocksInfo::NegotiateSocks(TIdTCPConnection* connection, const std::string& host, int port) {
  (void)connection, (void)host, (void)port;
  if (Version == svNoSocks) return;
  throw EIdSocksNotAvailable(
      Format("SOCKS %s negotiation is not available yet; connect without a proxy.",
             Version == svSocks4    ? "4"
             : Version == svSocks4A ? "4A"
                                    : "5"));
}

}  // namespace qp
