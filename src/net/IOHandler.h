// The I/O layer under a connection: opens, connects and closes the transport and moves
// bytes. Abstract; TIOHandlerSocket is the socket realisation.
#pragma once

#include <string>

#include "base/Component.h"
#include "net/Stack.h"

namespace qp::net {

class TSocksInfo;
class TTCPConnection;

// Owned by the connection that created it, or by the program when assigned to one;
// used on the connection's thread.
class TIOHandler : public TComponent {
 public:
  ~TIOHandler() override;

  virtual void CloseHandler() {}
  // Connects to host:port (or to the SOCKS proxy of socksInfo and then through it).
  // timeout in ms: -1 default, -2 no limit.
  virtual void ConnectTo(const std::string& host, int port, const std::string& boundIP,
                         int boundPort, int boundPortLow, int boundPortHigh, TSocksInfo* socksInfo,
                         int timeout) {
    (void)host, (void)port, (void)boundIP, (void)boundPort, (void)boundPortLow, (void)boundPortHigh,
        (void)socksInfo, (void)timeout;
  }
  virtual bool IsOpen() = 0;
  virtual void OpenHandler() {}
  // True when data (or the peer's close) can be read within ms (-2: without limit).
  virtual bool WaitReadable(int ms) = 0;
  // Platform results: byte count, 0 for a closed peer, -1 on error.
  virtual int Receive(void* buffer, int length) = 0;
  virtual int Send(const void* buffer, int length) = 0;
  // True while a connect is under way on another thread: the layer must outlive it, so an
  // owner that would free it now keeps it instead.
  virtual bool Connecting() const { return false; }

  // The connection this layer serves, for the SOCKS negotiation; set by the connection.
  TTCPConnection* Connection() const { return FConnection; }
  void SetConnection(TTCPConnection* connection) { FConnection = connection; }

 private:
  TStackReference FStackReference;
  TTCPConnection* FConnection = nullptr;
};

}  // namespace qp::net
