#include "net/IOHandlerTLS.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <chrono>
#include <climits>

namespace qp::net {

namespace {

using TClock = std::chrono::steady_clock;

// Raw bytes taken from the socket at a time; four full TLS records.
constexpr int kRawChunk = 64 * 1024;

// The reason of OpenSSL's latest error ("wrong version number"), and the error queue emptied.
std::string OpenSSLReason(int sslError) {
  const unsigned long code = ERR_peek_last_error();
  std::string reason;
  if (code != 0) {
    const char* text = ERR_reason_error_string(code);
    reason = text != nullptr ? text : Format("error %lu", code);
  } else {
    reason = Format("SSL error %d", sslError);
  }
  ERR_clear_error();
  return reason;
}

// ms left until deadline (0 when passed); -2 without a deadline.
int Remaining(bool unlimited, TClock::time_point deadline) {
  if (unlimited) return -2;
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

}  // namespace

// One TLS session over the socket: OpenSSL works on two memory buffers, and the bytes move
// between them and the socket through the socket layer, so every wait keeps the anti-freeze
// and the socket's error numbers. Owned by the I/O layer.
class TIOHandlerTLS::TSession {
 public:
  TSession(const std::string& host, const std::string& caFile) : Host(host) {
    Context.reset(SSL_CTX_new(TLS_client_method()));
    if (!Context) throw ETLSError("TLS: cannot set up a session: " + OpenSSLReason(0));
    SSL_CTX_set_min_proto_version(Context.get(), TLS1_2_VERSION);
    SSL_CTX_set_verify(Context.get(), SSL_VERIFY_PEER, nullptr);
    if (SSL_CTX_set_default_verify_paths(Context.get()) != 1) ERR_clear_error();
    if (!caFile.empty() &&
        SSL_CTX_load_verify_locations(Context.get(), caFile.c_str(), nullptr) != 1) {
      throw ETLSError("TLS: cannot load the CA file " + caFile + ": " + OpenSSLReason(0));
    }
    Ssl.reset(SSL_new(Context.get()));
    if (!Ssl) throw ETLSError("TLS: cannot set up a session: " + OpenSSLReason(0));
    Input = BIO_new(BIO_s_mem());
    Output = BIO_new(BIO_s_mem());
    if (Input == nullptr || Output == nullptr) {
      BIO_free(Input);
      BIO_free(Output);
      throw ETLSError("TLS: cannot set up a session: out of memory");
    }
    SSL_set_bio(Ssl.get(), Input, Output);
    SSL_set_connect_state(Ssl.get());
    // RFC 6066: the server name goes only as a host name, never as an address; the
    // certificate is checked against either (RFC 6125).
    if (TStack::IsIPLiteral(host)) {
      X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(Ssl.get()), host.c_str());
    } else {
      SSL_set_tlsext_host_name(Ssl.get(), host.c_str());
      SSL_set_hostflags(Ssl.get(), X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
      SSL_set1_host(Ssl.get(), host.c_str());
    }
    Raw.resize(kRawChunk);
  }

  // Sends what OpenSSL has written: 1 when all went out, 0 when the peer has closed,
  // SocketError (with the socket's last error set) when a send failed.
  int Flush(TSocketHandle& binding) {
    const std::size_t pending = BIO_ctrl_pending(Output);
    if (pending == 0) return 1;
    Outgoing.resize(pending);
    BIO_read(Output, Outgoing.data(), static_cast<int>(pending));
    for (std::size_t at = 0; at < Outgoing.size();) {
      const int sent = binding.Send(Outgoing.data() + at, static_cast<int>(Outgoing.size() - at));
      if (sent <= 0) return sent;
      at += static_cast<std::size_t>(sent);
    }
    return 1;
  }

  // Waits at most ms (-2: no limit) for bytes from the server and hands them to OpenSSL; a
  // close or a failed receive is noted and handed on as the end of the input. False when
  // nothing arrived in time.
  bool Fill(TSocketHandle& binding, int ms) {
    if (!binding.WaitReadable(ms)) return false;
    const int received = binding.Receive(Raw.data(), static_cast<int>(Raw.size()));
    if (received > 0) {
      BIO_write(Input, Raw.data(), received);
      return true;
    }
    if (received == 0) {
      PeerEOF = true;
    } else {
      SocketErrorCode = GStack().WSGetLastError();
    }
    BIO_set_mem_eof_return(Input, 0);
    return true;
  }

  // Something for Receive: plain bytes, the end of the stream, or a failure.
  bool Ready() const {
    return SSL_pending(Ssl.get()) > 0 || Closed || SocketErrorCode != 0 || !Failure.empty();
  }

  // Sends close_notify when nothing has gone wrong; the peer's answer is not awaited.
  void Shutdown(TSocketHandle& binding) {
    if (!Established || Closed || PeerEOF || SocketErrorCode != 0 || !Failure.empty()) return;
    ERR_clear_error();
    SSL_shutdown(Ssl.get());
    Flush(binding);
    ERR_clear_error();
  }

  [[noreturn]] void RaiseHandshakeFailure(int sslError) {
    const long verify = SSL_get_verify_result(Ssl.get());
    if (verify != X509_V_OK) {
      ERR_clear_error();
      throw ETLSCertificateError("TLS: certificate verify failed for " + Host + ": " +
                                 X509_verify_cert_error_string(verify));
    }
    if (SocketErrorCode != 0) throw ESocketError(SocketErrorCode);
    if (PeerEOF) {
      ERR_clear_error();
      throw ETLSError("TLS: handshake with " + Host + " failed: the server closed the connection");
    }
    throw ETLSError("TLS: handshake with " + Host + " failed: " + OpenSSLReason(sslError));
  }

  struct TContextFree {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
  };
  struct TSslFree {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
  };

  std::string Host;
  std::unique_ptr<SSL_CTX, TContextFree> Context;
  std::unique_ptr<SSL, TSslFree> Ssl;
  BIO* Input = nullptr;   // owned by Ssl
  BIO* Output = nullptr;  // owned by Ssl
  std::string Raw;
  std::string Outgoing;
  bool Established = false;
  bool PeerEOF = false;     // the socket read the server's close
  bool Closed = false;      // the TLS stream has ended (close_notify, or the socket's close)
  int SocketErrorCode = 0;  // a receive failed
  std::string Failure;      // the TLS session broke
};

TIOHandlerTLS::TIOHandlerTLS() {
  // Every send is one or more whole TLS records, so there is nothing to gain from Nagle's
  // algorithm, only a record (the first request after the handshake's last flight) held back
  // until the server acknowledges what went before.
  UseNagle = false;
}

TIOHandlerTLS::~TIOHandlerTLS() {
  try {
    CloseHandler();
  } catch (...) {
    // A destructor must not throw; the socket is closed either way.
  }
}

bool TIOHandlerTLS::Established() const {
  return FSession != nullptr && FSession->Established && Binding() != nullptr;
}

void TIOHandlerTLS::CloseHandler() {
  if (FSession && Binding() != nullptr && !TIOHandlerSocket::Connecting()) {
    FSession->Shutdown(*Binding());
  }
  // A handshake in progress (this is a handler run by its wait) still holds the session; it
  // goes with the next connect, and the handshake's wait fails on the closed socket.
  if (!FHandshaking) FSession.reset();
  TIOHandlerSocket::CloseHandler();
}

void TIOHandlerTLS::ConnectTo(const std::string& host, int port, const std::string& boundIP,
                              int boundPort, int boundPortLow, int boundPortHigh,
                              TSocksInfo* socksInfo, int timeout) {
  FSession.reset();
  TIOHandlerSocket::ConnectTo(host, port, boundIP, boundPort, boundPortLow, boundPortHigh,
                              socksInfo, timeout);
  Handshake(host, timeout);
}

void TIOHandlerTLS::Handshake(const std::string& host, int timeout) {
  // A handler run by the anti-freeze pump may drop the connection meanwhile; this layer stays
  // alive until the handshake has returned (see Connecting), and the wait then fails.
  TBusyMark handshaking(FHandshaking);
  const bool unlimited = timeout == -2;
  const int limit = timeout == -1 ? kDefaultConnectTimeout : std::max(0, timeout);
  const TClock::time_point deadline = TClock::now() + std::chrono::milliseconds(limit);
  FSession = std::make_unique<TSession>(host, CAFile);
  TSession& session = *FSession;
  for (;;) {
    ERR_clear_error();
    const int result = SSL_do_handshake(session.Ssl.get());
    const int sslError = result == 1 ? SSL_ERROR_NONE : SSL_get_error(session.Ssl.get(), result);
    if (session.Flush(*Binding()) == SocketError) {
      throw ESocketError(GStack().WSGetLastError());
    }
    if (result == 1) break;
    if (sslError != SSL_ERROR_WANT_READ || session.PeerEOF || session.SocketErrorCode != 0) {
      session.RaiseHandshakeFailure(sslError);
    }
    const int wait = Remaining(unlimited, deadline);
    if (wait == 0 || !session.Fill(*Binding(), wait)) {
      throw EConnectTimeout("TLS: handshake with " + host + " timed out.");
    }
  }
  session.Established = true;
}

bool TIOHandlerTLS::WaitReadable(int ms) {
  if (!FSession || !FSession->Established) return TIOHandlerSocket::WaitReadable(ms);
  if (Binding() == nullptr) throw EConnClosedGracefully();
  TSession& session = *FSession;
  if (session.Ready()) return true;
  const bool unlimited = ms == -2;
  const TClock::time_point deadline = TClock::now() + std::chrono::milliseconds(std::max(0, ms));
  for (;;) {
    // A peek makes OpenSSL take in a whole record without handing it out yet.
    char byte;
    std::size_t peeked = 0;
    ERR_clear_error();
    if (SSL_peek_ex(session.Ssl.get(), &byte, 1, &peeked) == 1) return true;
    const int sslError = SSL_get_error(session.Ssl.get(), 0);
    // Answers of the session itself (a TLS 1.3 key update) go out at once.
    if (session.Flush(*Binding()) == SocketError) {
      session.SocketErrorCode = GStack().WSGetLastError();
      return true;
    }
    if (session.SocketErrorCode != 0) return true;
    if (sslError == SSL_ERROR_ZERO_RETURN || session.PeerEOF) {
      // close_notify, or a close without it: either way the end of the stream.
      ERR_clear_error();
      session.Closed = true;
      return true;
    }
    if (sslError != SSL_ERROR_WANT_READ) {
      session.Failure =
          "TLS: connection with " + session.Host + " failed: " + OpenSSLReason(sslError);
      return true;
    }
    if (!session.Fill(*Binding(), Remaining(unlimited, deadline))) return false;
  }
}

int TIOHandlerTLS::Receive(void* buffer, int length) {
  if (!FSession || !FSession->Established) return TIOHandlerSocket::Receive(buffer, length);
  if (Binding() == nullptr) throw EConnClosedGracefully();
  if (!FSession->Ready()) WaitReadable(-2);
  TSession& session = *FSession;
  auto* target = static_cast<char*>(buffer);
  std::size_t total = 0;
  const std::size_t wanted = static_cast<std::size_t>(std::max(0, length));
  // Everything OpenSSL can decrypt without waiting, up to length.
  while (total < wanted && SSL_pending(session.Ssl.get()) > 0) {
    std::size_t read = 0;
    ERR_clear_error();
    if (SSL_read_ex(session.Ssl.get(), target + total, wanted - total, &read) != 1) break;
    total += read;
    if (SSL_pending(session.Ssl.get()) == 0 && BIO_ctrl_pending(session.Input) > 0) {
      char byte;
      std::size_t peeked = 0;
      if (SSL_peek_ex(session.Ssl.get(), &byte, 1, &peeked) != 1) break;
    }
  }
  ERR_clear_error();
  if (total > 0) return static_cast<int>(total);
  if (session.SocketErrorCode != 0) throw ESocketError(session.SocketErrorCode);
  if (!session.Failure.empty()) throw ETLSError(session.Failure);
  return 0;
}

int TIOHandlerTLS::Send(const void* buffer, int length) {
  if (!FSession || !FSession->Established) return TIOHandlerSocket::Send(buffer, length);
  if (Binding() == nullptr) throw EConnClosedGracefully();
  TSession& session = *FSession;
  if (length <= 0) return 0;
  std::size_t written = 0;
  ERR_clear_error();
  if (SSL_write_ex(session.Ssl.get(), buffer, static_cast<std::size_t>(length), &written) != 1) {
    const int sslError = SSL_get_error(session.Ssl.get(), 0);
    if (session.Closed || session.PeerEOF ||
        (SSL_get_shutdown(session.Ssl.get()) & SSL_RECEIVED_SHUTDOWN) != 0) {
      ERR_clear_error();
      return 0;
    }
    throw ETLSError("TLS: sending to " + session.Host + " failed: " + OpenSSLReason(sslError));
  }
  const int flushed = session.Flush(*Binding());
  if (flushed <= 0) return flushed;
  return static_cast<int>(written);
}

}  // namespace qp::net
