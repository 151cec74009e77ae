// Helpers shared by the benchmark programs: a wall clock and the RESULT line.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <thread>

namespace qp::bench {

class Stopwatch {
 public:
  Stopwatch() : FStart(std::chrono::steady_clock::now()) {}
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
  }

 private:
  std::chrono::steady_clock::time_point FStart;
};

// Sends all of data on fd; stops early when the peer goes away.
inline void SendAll(int fd, std::string_view data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

// A TCP connection to 127.0.0.1:port, or -1.
inline int ConnectLoopback(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// A listening socket on 127.0.0.1 at a port the system chooses.
class LoopbackListener {
 public:
  LoopbackListener() {
    FListener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(FListener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(FListener, 4);
    ::getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length);
    FPort = ntohs(address.sin_port);
  }
  ~LoopbackListener() { ::close(FListener); }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;
  int Port() const { return FPort; }
  int Accept() const { return ::accept(FListener, nullptr, nullptr); }

 private:
  int FListener = -1;
  int FPort = 0;
};

// Serves one payload to the next client on its own thread, then closes.
class OneShotServer {
 public:
  explicit OneShotServer(const std::string& payload)
      : FThread([this, &payload] {
          const int fd = FListener.Accept();
          SendAll(fd, payload);
          ::close(fd);
        }) {}
  ~OneShotServer() { FThread.join(); }
  int Port() const { return FListener.Port(); }

 private:
  LoopbackListener FListener;
  std::thread FThread;
};

// Prints the closing line every benchmark ends with; ratio and target are "higher is better".
inline void PrintResult(const char* name, double value, const char* unit, double ratio,
                        double target) {
  std::printf("RESULT %s %.2f %s ratio=%.3f target=%.3f\n", name, value, unit, ratio, target);
}

}  // namespace qp::bench
