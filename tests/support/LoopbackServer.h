// A scripted TCP server for network tests: listens on 127.0.0.1 at a port the system
// chooses, runs a handler per accepted connection on its own thread and records every byte
// the clients sent, so a test can assert the exact bytes on the wire.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "support/LoopbackListener.h"

namespace qp::test {

class LoopbackServer;

// One accepted connection, used by the handler on the server thread.
class PeerSession {
 public:
  PeerSession(LoopbackServer& server, int fd) : FServer(server), FFd(fd) {}
  ~PeerSession();
  PeerSession(const PeerSession&) = delete;
  PeerSession& operator=(const PeerSession&) = delete;

  void Send(std::string_view bytes);
  // The next line from the client without its CR LF (or LF); "" when the client closed
  // or 5 s passed without a complete line.
  std::string ReadLine();
  // Reads exactly count bytes (fewer when the client closed or 5 s passed).
  std::string ReadBytes(std::size_t count);
  // True when the client closed within ms; everything it sent meanwhile is recorded.
  bool WaitClosed(int ms = 5000);
  // Closes the connection; the client sees the end of the stream.
  void Close();
  bool Closed() const { return FFd < 0; }
  // The connection's descriptor, for a handler that speaks another layer on it (TLS); what
  // passes through it directly is not recorded.
  int Fd() const { return FFd; }

 private:
  // Receives more bytes into FPending; false on close, error or time-out.
  bool Fill(int ms);

  LoopbackServer& FServer;
  int FFd;
  std::string FPending;
};

// Serves connections one after another on one thread. Owned by the test; destroying it
// stops the thread (bounded: handlers wait at most 5 s per read).
class LoopbackServer {
 public:
  using Handler = std::function<void(PeerSession&)>;
  explicit LoopbackServer(Handler handler, int connections = 1);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return FListener.Port(); }
  // Every byte the clients sent so far, in order.
  std::string Received() const;
  // Waits at most 30 s until every handler has returned.
  void Join();
  // Connections accepted so far.
  int Accepted() const { return FAccepted.load(); }

 private:
  friend class PeerSession;
  void Run();
  void Record(std::string_view bytes);

  Handler FHandler;
  int FConnections;
  LoopbackListener FListener;
  std::atomic<bool> FStop{false};
  std::atomic<bool> FDone{false};
  std::atomic<int> FAccepted{0};
  mutable std::mutex FLock;
  std::string FReceived;
  std::thread FThread;
};

// A loopback port that nothing listens on (bound once and released), for refused connects.
int UnusedLoopbackPort();

}  // namespace qp::test
