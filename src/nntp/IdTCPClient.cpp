#include "nntp/IdTCPClient.h"

#include "nntp/IdIOHandlerSocket.h"

namespace qp {

TIdTCPClient::TIdTCPClient() = default;

TIdTCPClient::~TIdTCPClient() = default;

TIdSocksInfo& TIdTCPClient::SocksInfo() {
  if (FSocksInfo == nullptr) {
    if (!FOwnSocksInfo) FOwnSocksInfo = std::make_unique<TIdSocksInfo>();
    FSocksInfo = FOwnSocksInfo.get();
  }
  return *FSocksInfo;
}

void TIdTCPClient::SetSocksInfo(TIdSocksInfo& info, bool ownedElsewhere) {
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

void TIdTCPClient::Notification(TIdBaseComponent* component) {
  TIdTCPConnection::Notification(component);
  if (component == FSocksInfo && component != FOwnSocksInfo.get()) FSocksInfo = nullptr;
}

void TIdTCPClient::DoOnConnected() {
  if (OnConnected) OnConnected(*this);
}

void TIdTCPClient::Connect(int timeout) {
  if (IOHandler() == nullptr) {
    auto handler = std::make_unique<TIdIOHandlerSocket>();
    handler->OnStatus = OnStatus;
    AdoptIOHandler(std::move(handler));
  } else if (IOHandler()->IsOpen()) {
    throw EIdAlreadyConnected();
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

}  // namespace qp
