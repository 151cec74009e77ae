// The TLS realisation of the I/O layer (TLS 1.2 and 1.3 on OpenSSL 3): the socket layer's
// connect (and SOCKS negotiation), then a TLS handshake with the server name (SNI), the
// certificate verified against the system's CA store and the host name checked. After the
// handshake the connection above reads and writes plain bytes through it exactly as through
// the socket layer: the anti-freeze and the read time-outs work the same, and the peer's
// close, with or without TLS close_notify, reads as the end of the stream.
#pragma once

#include <memory>
#include <string>

#include "net/IOHandlerSocket.h"

namespace qp::net {

// Owned by the connection (see TIOHandler); used on the connection's thread. The TLS state
// lives from the handshake in ConnectTo until CloseHandler.
class TIOHandlerTLS : public TIOHandlerSocket {
 public:
  TIOHandlerTLS();
  ~TIOHandlerTLS() override;

  // A PEM file of certificate authorities trusted besides the system's store ("" = none).
  std::string CAFile;

  // Connects as the socket layer does, then runs the handshake for host within timeout
  // (-1: kDefaultConnectTimeout, -2: no limit). Throws ETLSCertificateError ("TLS:
  // certificate verify failed for HOST: REASON"), ETLSError for any other handshake failure
  // (the server closing during it included), EConnectTimeout when it takes too long, and
  // what the socket layer throws.
  void ConnectTo(const std::string& host, int port, const std::string& boundIP, int boundPort,
                 int boundPortLow, int boundPortHigh, TSocksInfo* socksInfo, int timeout) override;
  // Sends TLS close_notify when the session is healthy, then closes the socket.
  void CloseHandler() override;
  // True when plain bytes, the peer's close or a failure can be read within ms.
  bool WaitReadable(int ms) override;
  // Plain bytes; 0 once the peer closed. Throws ETLSError for a broken TLS session and
  // ESocketError for a failed receive.
  int Receive(void* buffer, int length) override;
  // Encrypts and sends all of buffer: length, 0 when the peer has closed, SocketError with
  // the socket's last error set when the send failed. Throws ETLSError.
  int Send(const void* buffer, int length) override;
  bool Connecting() const override { return FHandshaking || TIOHandlerSocket::Connecting(); }

  // The handshake has completed on the open connection.
  bool Established() const;

 private:
  class TSession;

  void Handshake(const std::string& host, int timeout);

  std::unique_ptr<TSession> FSession;
  bool FHandshaking = false;
};

}  // namespace qp::net
