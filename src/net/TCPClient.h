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
  // Connect speaks TLS from the first byte (after any SOCKS negotiation): the I/O layer it
  // makes is a TIOHandlerTLS, which verifies the server's certificate for Host.
  bool UseTLS = false;
  // A PEM file of certificate authorities the TLS layer trusts besides the system's store.
  std::string CAFile;

  // Opens the connection: timeout in ms, -1 the default (see TIOHandlerSocket), -2 none.
  // Makes an I/O layer (TLS with UseTLS) unless one is set; an own one of the wrong kind left
  // from an earlier connect is replaced. Raises EAlreadyConnected on an open connection; any
  // other failure drops the socket and propagates (ESocketError, EConnectException,
  // EConnectTimeout, ESocksError, ETLSError, ...).
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
