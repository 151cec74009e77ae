// TLS peers for tests and benchmarks: a certificate authority and server certificates made
// with OpenSSL's API into a temporary folder, and a loopback TLS server that ends TLS and
// relays the plain bytes to a scripted plain server, so every scripted server (news, HTTP)
// can be reached over TLS and still records the exact bytes the client sent.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "support/LoopbackListener.h"

namespace qp::test {

// A certificate and its key as PEM files.
struct CertificateFiles {
  std::string Certificate;
  std::string Key;
};

// A test CA in folder ("ca.pem"), and server certificates signed by it (or by themselves).
// Owned by the test; the files stay until the folder goes.
class TestPKI {
 public:
  explicit TestPKI(std::string folder);
  ~TestPKI();
  TestPKI(const TestPKI&) = delete;
  TestPKI& operator=(const TestPKI&) = delete;

  // The CA certificate to trust.
  const std::string& CAFile() const { return FCAFile; }
  // A server certificate for the subject alternative names (as "DNS:localhost,IP:127.0.0.1"),
  // valid from validFromDays to validToDays around now, issued by the CA or, with
  // selfSigned, by itself. name makes the file names.
  CertificateFiles Issue(const std::string& name, const std::string& altNames,
                         int validFromDays = -1, int validToDays = 30, bool selfSigned = false);

 private:
  struct TState;
  std::string FFolder;
  std::string FCAFile;
  std::unique_ptr<TState> FState;
};

// How a TLS session of TLSFront ends once the plain server has closed.
enum class TLSClose { CloseNotify, Abrupt };

// Listens on 127.0.0.1 at a port the system chooses and serves connections one after another
// on its own thread: a TLS handshake with the certificate, then the plain bytes relayed both
// ways to 127.0.0.1:backendPort until either side closes. A failed handshake closes the
// connection. Destroying it stops the thread (bounded).
class TLSFront {
 public:
  TLSFront(const CertificateFiles& certificate, int backendPort, int connections = 1,
           TLSClose close = TLSClose::CloseNotify);
  ~TLSFront();
  TLSFront(const TLSFront&) = delete;
  TLSFront& operator=(const TLSFront&) = delete;

  int Port() const { return FListener.Port(); }
  // Handshakes that failed so far.
  int FailedHandshakes() const { return FFailed.load(); }
  // Serves one TLS session on an accepted connection fd (closing it at the end); for a
  // scripted proxy that hands its connection on.
  void ServeOn(int fd);

 private:
  void Run(int connections);

  CertificateFiles FCertificate;
  int FBackendPort;
  TLSClose FClose;
  LoopbackListener FListener;
  std::atomic<bool> FStop{false};
  std::atomic<int> FFailed{0};
  std::thread FThread;
};

}  // namespace qp::test
