// Header download as the user waits for it: a group of 100,000 overview lines (a quarter of
// them with encoded words in subject and sender) served over loopback, fetched end to end by
// `quillpost-cli news ... overview` (connect, select the group, xover, parse every field,
// decode subject and sender for display, write JSON), against a plain receive loop that only
// counts the same bytes, in the same run.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "BenchSupport.h"

namespace {

constexpr int kLines = 100000;

// Serves connections one after another: either the news dialogue or, in raw mode, just the
// listing bytes followed by a close.
class Server {
 public:
  explicit Server(const std::string& listing) : FListing(listing) {}
  int Port() const { return FListener.Port(); }

  void ServeOnce(bool raw) {
    using qp::test::SendAll;
    const int c = FListener.Accept();
    if (c < 0) return;
    if (raw) {
      SendAll(c, FListing);
    } else {
      SendAll(c, "200 bench\r\n");
      std::string pending;
      char buf[4096];
      for (;;) {
        const std::size_t eol = pending.find("\r\n");
        if (eol == std::string::npos) {
          const ssize_t n = ::recv(c, buf, sizeof buf, 0);
          if (n <= 0) break;
          pending.append(buf, static_cast<std::size_t>(n));
          continue;
        }
        const std::string cmd = pending.substr(0, eol);
        pending.erase(0, eol + 2);
        if (cmd == "mode reader")
          SendAll(c, "200 reader\r\n");
        else if (cmd.rfind("Group ", 0) == 0)
          SendAll(c, "211 100000 1 100000 alt.bench\r\n");
        else if (cmd.rfind("xover ", 0) == 0)
          SendAll(c, "224 overview\r\n" + FListing);
        else if (cmd == "Quit")
          break;
        else
          SendAll(c, "500 ?\r\n");
      }
    }
    ::close(c);
  }

 private:
  const std::string& FListing;
  qp::test::LoopbackListener FListener;
};

double PlainLoopSeconds(Server& server) {
  std::thread t([&] { server.ServeOnce(true); });
  qp::bench::Stopwatch watch;
  const int fd = qp::test::ConnectLoopback(server.Port());
  char buf[32768];
  std::size_t total = 0;
  for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) total += static_cast<std::size_t>(n);
  const double seconds = watch.Seconds();
  ::close(fd);
  t.join();
  std::printf("plain receive loop: %zu bytes in %.3f s\n", total, seconds);
  return seconds;
}

double CliSeconds(Server& server) {
  std::thread t([&] { server.ServeOnce(false); });
  const std::string command = std::string(QP_CLI_PATH) +
                              " news 127.0.0.1:" + std::to_string(server.Port()) +
                              " overview alt.bench > /dev/null";
  const double seconds = qp::bench::TimedCommand(command);
  t.join();
  std::printf("quillpost-cli overview: %d articles in %.3f s\n", kLines, seconds);
  return seconds;
}

}  // namespace

int main() {
  const std::string listing = qp::bench::OverviewListing(kLines);
  const double mb = static_cast<double>(listing.size()) / 1e6;
  std::printf("listing: %d overview lines, %.1f MB\n", kLines, mb);
  Server server(listing);
  double plain = 1e9, cli = 1e9;
  for (int round = 0; round < 3; ++round) {  // best of three for each
    plain = std::min(plain, PlainLoopSeconds(server));
    cli = std::min(cli, CliSeconds(server));
  }
  const double plainRate = mb / plain, cliRate = mb / cli;
  std::printf("baseline: plain receive loop %.1f MB/s; quillpost-cli overview %.1f MB/s\n",
              plainRate, cliRate);
  qp::bench::PrintResult("overview_cli", cliRate, "MB/s", cliRate / plainRate, 0.1);
  return 0;
}
