// Helpers shared by the benchmark programs: a wall clock, a one-shot loopback server and the
// RESULT line.
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <thread>

#include "support/LoopbackListener.h"

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

// Serves one payload to the next client on its own thread, then closes.
class OneShotServer {
 public:
  explicit OneShotServer(const std::string& payload)
      : FThread([this, &payload] {
          const int fd = FListener.Accept();
          test::SendAll(fd, payload);
          ::close(fd);
        }) {}
  ~OneShotServer() { FThread.join(); }
  int Port() const { return FListener.Port(); }

 private:
  test::LoopbackListener FListener;
  std::thread FThread;
};

// Prints the closing line every benchmark ends with; ratio and target are "higher is better".
inline void PrintResult(const char* name, double value, const char* unit, double ratio,
                        double target) {
  std::printf("RESULT %s %.2f %s ratio=%.3f target=%.3f\n", name, value, unit, ratio, target);
}

}  // namespace qp::bench
