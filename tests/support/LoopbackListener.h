// Plain loopback sockets for tests and benchmarks: a listener on 127.0.0.1 at a port the
// system chooses, a client connection to it, and a send that writes everything.
#pragma once

#include <string_view>

namespace qp::test {

// A listening TCP socket on 127.0.0.1. Owned by its user; closed when it is destroyed.
class LoopbackListener {
 public:
  // backlog: the accept queue; 0 makes a queue that soon drops further connection attempts.
  explicit LoopbackListener(int backlog = 16);
  ~LoopbackListener();
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  int Port() const { return FPort; }
  int Fd() const { return FFd; }
  // Waits for the next connection: its descriptor (close-on-exec), or -1.
  int Accept() const;

 private:
  int FFd = -1;
  int FPort = 0;
};

// A TCP connection to 127.0.0.1:port (non-blocking when asked; its connect may then still
// be pending), or -1.
int ConnectLoopback(int port, bool nonBlocking = false);

// Sends all of bytes on fd; stops early when the peer goes away.
void SendAll(int fd, std::string_view bytes);

}  // namespace qp::test
