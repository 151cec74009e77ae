// Helpers shared by the benchmark programs: a wall clock, a one-shot loopback server and the
// RESULT line.
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

// Runs a shell command (a benchmarked program, its output redirected) and returns its wall
// time in seconds; a command that fails ends the benchmark, as its figure would mean nothing.
inline double TimedCommand(const std::string& command) {
  Stopwatch watch;
  const int status = std::system(command.c_str());
  const double seconds = watch.Seconds();
  if (status != 0) {
    std::printf("command failed with status %d: %s\n", status, command.c_str());
    std::exit(1);
  }
  return seconds;
}

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

// The overview listing of a group of lines articles as a news server sends it after "224":
// one tab-separated line per article (number, subject, from, date, message id, references,
// bytes, lines, Xref), then the "." line. Every fourth subject and sender is an RFC 2047
// encoded word, as in real groups, so the decoded fields cost what they cost in use.
inline std::string OverviewListing(int lines) {
  std::string s;
  s.reserve(static_cast<std::size_t>(lines) * 160);
  char line[512];
  for (int i = 1; i <= lines; ++i) {
    const bool encoded = i % 4 == 0;
    char subject[128];
    std::snprintf(subject, sizeof subject,
                  encoded ? "=?ISO-8859-1?Q?Re:_Caf=E9_cr=E8me_number_%d?="
                          : "Re: Benchmark subject number %d about something",
                  i);
    const char* from = encoded ? "=?UTF-8?B?SsO2cmc=?=" : "Someone";
    const int n = std::snprintf(
        line, sizeof line,
        "%d\t%s\t%s <user%d@example.org>\t"
        "Sun, 05 Jan 2003 14:%02d:%02d +0100\t<msg%d@example.org>\t<ref%d@example.org>\t%d\t%d\t"
        "Xref: news alt.bench:%d\r\n",
        i, subject, from, i % 1000, i % 60, i % 60, i, i - 1, 1000 + i % 5000, 10 + i % 200, i);
    s.append(line, static_cast<std::size_t>(n));
  }
  return s + ".\r\n";
}

// Prints the closing line every benchmark ends with; ratio and target are "higher is better".
inline void PrintResult(const char* name, double value, const char* unit, double ratio,
                        double target) {
  std::printf("RESULT %s %.2f %s ratio=%.3f target=%.3f\n", name, value, unit, ratio, target);
}

}  // namespace qp::bench
