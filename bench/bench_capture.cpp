// Capture of a large dot-terminated listing against a plain receive loop over the same
// loopback bytes: the cost of line splitting, buffering and work events per line.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>

#include "BenchSupport.h"
#include "base/StringList.h"
#include "base/SysUtils.h"
#include "net/TCPClient.h"

namespace {

constexpr int kLines = 100000;

// 100,000 overview-like lines, about 20 MB, ending with the "." line.
std::string MakeListing() {
  std::string listing;
  listing.reserve(kLines * 210);
  for (int i = 0; i < kLines; ++i) {
    listing += qp::Format(
        "%d\tRe: A fairly ordinary subject line for article number %d in the group\t"
        "Some Poster <poster%d@example.org>\tMon, 07 Dec 2026 12:34:%02d +0000\t"
        "<msg%d.%d@news.example.org>\t<ref%d@news.example.org>\t%d\t%d\tXref: news "
        "alt.test:%d\r\n",
        i + 1, i + 1, i % 997, i % 60, i, i * 7, i / 3, 1000 + i % 5000, 10 + i % 90, i + 1);
  }
  listing += ".\r\n";
  return listing;
}

double PlainLoopMBps(const std::string& listing) {
  qp::bench::OneShotServer server(listing);
  qp::bench::Stopwatch watch;
  const int fd = qp::test::ConnectLoopback(server.Port());
  char buffer[32768];
  std::size_t total = 0;
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    total += static_cast<std::size_t>(n);
  }
  const double seconds = watch.Seconds();
  ::close(fd);
  if (total != listing.size()) std::printf("plain loop read %zu bytes only\n", total);
  return static_cast<double>(total) / 1e6 / seconds;
}

double CaptureMBps(const std::string& listing) {
  qp::bench::OneShotServer server(listing);
  qp::net::TTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  int64_t counted = 0;
  client.OnWork = [&](qp::TComponent&, qp::TWorkMode, int count) { counted = count; };
  qp::TStringList lines;
  qp::bench::Stopwatch watch;
  client.Connect();
  client.Capture(lines);
  const double seconds = watch.Seconds();
  if (lines.Count() != kLines || counted != static_cast<int64_t>(listing.size())) {
    std::printf("capture got %d lines, %lld bytes\n", lines.Count(),
                static_cast<long long>(counted));
  }
  return static_cast<double>(listing.size()) / 1e6 / seconds;
}

}  // namespace

int main() {
  const std::string listing = MakeListing();
  std::printf("listing: %d lines, %.1f MB\n", kLines, static_cast<double>(listing.size()) / 1e6);
  // Best of five runs each, to keep one scheduling hiccup from deciding the ratio.
  double plain = 0;
  double capture = 0;
  for (int run = 0; run < 5; ++run) {
    plain = std::max(plain, PlainLoopMBps(listing));
    capture = std::max(capture, CaptureMBps(listing));
  }
  std::printf("baseline plain recv loop: %.1f MB/s\n", plain);
  std::printf("Capture into TStringList: %.1f MB/s\n", capture);
  const double ratio = capture / plain;
  std::printf("ratio capture/plain: %.3f\n", ratio);
  qp::bench::PrintResult("capture", capture, "MB/s", ratio, 0.5);
  return 0;
}
