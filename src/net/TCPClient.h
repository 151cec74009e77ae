// A TCP connection with a target host and port and the connect sequence.
#pragma once

#include <memory>
#include <string>

#include "net/Socks.h"
#include "net/TCPConnection.h"

namespace qp::net {

// Owned by its user (the NNTP and HTTP clients derive from it); used on the UI thread.
class TTCPClient : public TTCPConnection {
 public:
  TTCPClient();
  ~TTCPClient() override;

  std::string Host;
  int Port = 0;
  // Local address ("" = any) and port (0 = any), or a local port range to bind within.
  std::string BoundIP;
  int BoundPort = 0;
  int BoundPortLow = 0;
  int BoundPortHigh = 0;
  std::string Username;
  std::string Password;

  // Opens the connection: timeout in ms, -1 the default (see TIOHandlerSocket), -2 none.
  // Raises EAlreadyConnected on an open connection; any other failure drops the socket
  // and propagates (ESocketError, EConnectException, EConnectTimeout, ...).
  virtual void Connect(int timeout = -1);

  // The proxy settings; the client's own until SetSocksInfo refers it to a shared one.
  TSocksInfo& SocksInfo();
  // A settings object with an owner is referred to; an unowned one is copied.
  void SetSocksInfo(TSocksInfo& info, bool ownedElsewhere = false);

 protected:
  virtual void DoOnConnected();
  void Notification(TBaseComponent* component) override;

 private:
  std::unique_ptr<TSocksInfo> FOwnSocksInfo;
  TSocksInfo* FSocksInfo = nullptr;
};

}  // namespace qp::net
