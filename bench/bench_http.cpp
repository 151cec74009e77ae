// Get of a 100 MB body over loopback, framed three ways (Content-Length, 16 KiB chunks, up
// to the server's close), read into a memory stream, against a plain receive loop that
// copies the same response bytes into a memory buffer of its own.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

#include "BenchSupport.h"
#include "base/Streams.h"
#include "base/SysUtils.h"
#include "http/HTTP.h"

namespace {

constexpr std::size_t kBodySize = 100 * 1000 * 1000;
constexpr std::size_t kChunkSize = 16 * 1024;

// Serves one response to the next client: reads its request head, sends the bytes, closes.
class ResponseServer {
 public:
  explicit ResponseServer(const std::string& response)
      : FThread([this, &response] {
          const int fd = FListener.Accept();
          std::string head;
          char buffer[4096];
          while (head.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            head.append(buffer, static_cast<std::size_t>(n));
          }
          qp::test::SendAll(fd, response);
          ::close(fd);
        }) {}
  ~ResponseServer() { FThread.join(); }
  int Port() const { return FListener.Port(); }

 private:
  qp::test::LoopbackListener FListener;
  std::thread FThread;
};

std::string MakeBody() {
  std::string body(kBodySize, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + i % 26);
  return body;
}

std::string Chunked(const std::string& body) {
  std::string framed;
  framed.reserve(body.size() + body.size() / kChunkSize * 12 + 16);
  for (std::size_t at = 0; at < body.size(); at += kChunkSize) {
    const std::size_t size = std::min(kChunkSize, body.size() - at);
    framed += qp::Format("%zx\r\n", size);
    framed.append(body, at, size);
    framed += "\r\n";
  }
  return framed + "0\r\n\r\n";
}

// Receives the whole response with recv into a buffer and copies it into a string of its
// own, as a client that keeps the bytes would. MB/s of body bytes.
double PlainLoopMBps(const std::string& response) {
  ResponseServer server(response);
  qp::bench::Stopwatch watch;
  const int fd = qp::test::ConnectLoopback(server.Port());
  const std::string request = "GET /feed.xml HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  qp::test::SendAll(fd, request);
  std::string received;
  char buffer[32768];
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    received.append(buffer, static_cast<std::size_t>(n));
  }
  const double seconds = watch.Seconds();
  ::close(fd);
  if (received.size() != response.size())
    std::printf("plain loop read %zu bytes only\n", received.size());
  return static_cast<double>(kBodySize) / 1e6 / seconds;
}

double GetMBps(const std::string& response, const std::string& body) {
  ResponseServer server(response);
  qp::http::THTTP client;
  client.MaxResponseBodySize = 128 * 1024 * 1024;
  qp::TMemoryStream stream;
  qp::bench::Stopwatch watch;
  client.Get("http://127.0.0.1:" + std::to_string(server.Port()) + "/feed.xml", stream);
  const double seconds = watch.Seconds();
  client.Disconnect();
  if (stream.DataString() != body)
    std::printf("Get read %lld bytes, not the body\n", static_cast<long long>(stream.Size()));
  return static_cast<double>(kBodySize) / 1e6 / seconds;
}

}  // namespace

int main() {
  const std::string body = MakeBody();
  struct Way {
    const char* name;
    std::string response;
  };
  const Way ways[] = {
      {"http_get_counted",
       "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body},
      {"http_get_chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + Chunked(body)},
      {"http_get_until_close", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body},
  };
  std::printf("body: %.1f MB\n", static_cast<double>(body.size()) / 1e6);
  for (const Way& way : ways) {
    // Best of three runs each, to keep one scheduling hiccup from deciding the ratio.
    double plain = 0;
    double get = 0;
    for (int run = 0; run < 3; ++run) {
      plain = std::max(plain, PlainLoopMBps(way.response));
      get = std::max(get, GetMBps(way.response, body));
    }
    std::printf("%s: plain recv loop %.1f MB/s, Get into a memory stream %.1f MB/s\n", way.name,
                plain, get);
    qp::bench::PrintResult(way.name, get, "MB/s", get / plain, 0.5);
  }
  return 0;
}
