// A TCP connection with a target host and port and the connect sequence.
#pragma once

#include <memory>
#include <string>

#include "nntp/IdSocks.h"
#include "nntp/IdTCPConnection.h"

namespace qp {

// Owned by its user (the NNTP and HTTP clients derive from it); used on the UI thread.
class TIdTCPClient : public TIdTCPConnection {
 public:
  TIdTCPClient();
  ~TIdTCPClient() override;

  std::string Host;
  int Port = 0;
  // Local address ("" = any) and port (0 = any), or a local port range to bind within.
  std::string BoundIP;
  int BoundPort = 0;
  int BoundPortLow = 0;
  int BoundPortHigh = 0;
  std::string Username;
  std::string Password;

  // Opens the connection: timeout in ms, -1 the default (see TIdIOHandlerSocket), -2 none.
  // Raises EIdAlreadyConnected on an open connection; any other failure drops the socket
  // and propagates (EIdSocketError, EIdConnectException, EIdConnectTimeout, ...).
  virtual void Connect(int timeout = -1);

  // The proxy settings; the client's own until SetSocksInfo refers it to a shared one.
  TIdSocksInfo& SocksInfo();
  // A settings object with an owner is referred to; an unowned one is copied.
  void SetSocksInfo(TIdSocksInfo& info, bool ownedElsewhere = false);

 protected:
  virtual void DoOnConnected();
  void Notification(TIdBaseComponent* component) override;

 private:
  std::unique_ptr<TIdSocksInfo> FOwnSocksInfo;
  TIdSocksInfo* FSocksInfo = nullptr;
};

}  // namespace qp
