#include "net/TCPClient.h"

#include "net/IOHandlerSocket.h"
#include "net/IOHandlerTLS.h"

namespace qp::net {

TTCPClient::TTCPClient() = default;

TTCPClient::~TTCPClient() = default;

TSocksInfo& TTCPClient::SocksInfo() {
  if (FSocksInfo == nullptr) {
    if (!FOwnSocksInfo) FOwnSocksInfo = std::make_unique<TSocksInfo>();
    FSocksInfo = FOwnSocksInfo.get();
  }
  return *FSocksInfo;
}

void TTCPClient::SetSocksInfo(TSocksInfo& info, bool ownedElsewhere) {
  if (!ownedElsewhere) {
    SocksInfo().Assign(info);
    return;
  }
  if (FSocksInfo != nullptr && FSocksInfo != FOwnSocksInfo.get()) {
    FSocksInfo->RemoveFreeNotification(this);
  }
  FOwnSocksInfo.reset();
  FSocksInfo = &info;
  info.FreeNotification(this);
}

void TTCPClient::Notification(TBaseComponent* component) {
  TTCPConnection::Notification(component);
  if (component == FSocksInfo && component != FOwnSocksInfo.get()) FSocksInfo = nullptr;
}

void TTCPClient::DoOnConnected() {
  if (OnConnected) OnConnected(*this);
}

void TTCPClient::Connect(int timeout) {
  TIOHandler* current = IOHandler();
  if (current != nullptr && current->IsOpen()) throw EAlreadyConnected();
  const bool wrongKind = current != nullptr && OwnsIOHandler() && !current->Connecting() &&
                         (dynamic_cast<TIOHandlerTLS*>(current) != nullptr) != UseTLS;
  if (current == nullptr || wrongKind) {
    std::unique_ptr<TIOHandlerSocket> handler;
    if (UseTLS) {
      handler = std::make_unique<TIOHandlerTLS>();
    } else {
      handler = std::make_unique<TIOHandlerSocket>();
    }
    handler->OnStatus = OnStatus;
    AdoptIOHandler(std::move(handler));
  }
  if (auto* tls = dynamic_cast<TIOHandlerTLS*>(IOHandler()); tls != nullptr && OwnsIOHandler()) {
    tls->CAFile = CAFile;
  }
  try {
    IOHandler()->SetConnection(this);
    IOHandler()->OpenHandler();
    ResetConnection();
    IOHandler()->ConnectTo(Host, Port, BoundIP, BoundPort, BoundPortLow, BoundPortHigh,
                           &SocksInfo(), timeout);
    if (Intercept() != nullptr) Intercept()->Connect(*this);
    ReportStatus(StatusConnected, Host);
    DoOnConnected();
  } catch (...) {
    DropSocket();
    throw;
  }
}

}  // namespace qp::net
