// What TLS costs the user: the 100,000-line overview of bench_overview (fetched end to end by
// `quillpost-cli news ... overview`) and the 100 MB counted body of bench_http (a `Get` into a
// memory stream), each over loopback TLS against the same over plain TCP in the same run. The
// TLS server is OpenSSL with a certificate made for the run and trusted through --ca-file or
// CAFile.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "BenchSupport.h"
#include "base/Streams.h"
#include "http/HTTP.h"
#include "support/TLSPeer.h"
#include "support/TempDir.h"

namespace {

constexpr int kLines = 100000;
constexpr std::size_t kBodySize = 100 * 1000 * 1000;

// One accepted connection, plain or TLS.
class Channel {
 public:
  Channel(int fd, SSL_CTX* context) : FFd(fd) {
    // As servers commonly do: a small write (a TLS session ticket, a greeting) goes out at
    // once instead of waiting for the client's delayed acknowledgement. Plain and TLS alike.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (context == nullptr) return;
    FSsl = SSL_new(context);
    SSL_set_fd(FSsl, fd);
    if (SSL_accept(FSsl) != 1) {
      std::printf("TLS handshake failed\n");
      std::exit(1);
    }
  }
  ~Channel() {
    if (FSsl != nullptr) {
      SSL_shutdown(FSsl);
      SSL_free(FSsl);
    }
    ::close(FFd);
  }
  void Send(const std::string& bytes) {
    if (FSsl == nullptr) {
      qp::test::SendAll(FFd, bytes);
      return;
    }
    for (std::size_t at = 0; at < bytes.size();) {
      const int n = SSL_write(FSsl, bytes.data() + at,
                              static_cast<int>(std::min<std::size_t>(bytes.size() - at, 1 << 20)));
      if (n <= 0) return;
      at += static_cast<std::size_t>(n);
    }
  }
  // The next line without CR LF; false when the client closed.
  bool ReadLine(std::string& line) {
    for (;;) {
      const std::size_t eol = FPending.find("\r\n");
      if (eol != std::string::npos) {
        line = FPending.substr(0, eol);
        FPending.erase(0, eol + 2);
        return true;
      }
      char buffer[4096];
      const int n = FSsl == nullptr ? static_cast<int>(::recv(FFd, buffer, sizeof buffer, 0))
                                    : SSL_read(FSsl, buffer, sizeof buffer);
      if (n <= 0) return false;
      FPending.append(buffer, static_cast<std::size_t>(n));
    }
  }

 private:
  int FFd;
  SSL* FSsl = nullptr;
  std::string FPending;
};

// Serves one connection at a time on its own thread; TLS when a context is given.
class Server {
 public:
  Server(const qp::test::CertificateFiles& certificate) {
    FContext.reset(SSL_CTX_new(TLS_server_method()));
    SSL_CTX_use_certificate_file(FContext.get(), certificate.Certificate.c_str(), SSL_FILETYPE_PEM);
    SSL_CTX_use_PrivateKey_file(FContext.get(), certificate.Key.c_str(), SSL_FILETYPE_PEM);
  }
  int Port() const { return FListener.Port(); }

  // The news dialogue of bench_overview.
  std::thread ServeNews(const std::string& listing, bool tls) {
    return std::thread([this, &listing, tls] {
      Channel c(FListener.Accept(), tls ? FContext.get() : nullptr);
      c.Send("200 bench\r\n");
      for (std::string cmd; c.ReadLine(cmd);) {
        if (cmd == "mode reader")
          c.Send("200 reader\r\n");
        else if (cmd.rfind("Group ", 0) == 0)
          c.Send("211 100000 1 100000 alt.bench\r\n");
        else if (cmd.rfind("xover ", 0) == 0)
          c.Send("224 overview\r\n" + listing);
        else if (cmd == "Quit")
          break;
        else
          c.Send("500 ?\r\n");
      }
    });
  }
  // One response to one request head.
  std::thread ServeResponse(const std::string& response, bool tls) {
    return std::thread([this, &response, tls] {
      Channel c(FListener.Accept(), tls ? FContext.get() : nullptr);
      for (std::string line; c.ReadLine(line) && !line.empty();) {
      }
      c.Send(response);
    });
  }

 private:
  struct ContextFree {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
  };
  std::unique_ptr<SSL_CTX, ContextFree> FContext;
  qp::test::LoopbackListener FListener;
};

double OverviewSeconds(Server& server, const std::string& listing, bool tls,
                       const std::string& caFile) {
  std::thread t = server.ServeNews(listing, tls);
  const std::string target = tls ? "nntps://localhost:" + std::to_string(server.Port())
                                 : "127.0.0.1:" + std::to_string(server.Port());
  const std::string command = std::string(QP_CLI_PATH) + " --ca-file " + caFile + " news " +
                              target + " overview alt.bench > /dev/null";
  const double seconds = qp::bench::TimedCommand(command);
  t.join();
  return seconds;
}

double GetSeconds(Server& server, const std::string& response, const std::string& body, bool tls,
                  const std::string& caFile) {
  std::thread t = server.ServeResponse(response, tls);
  qp::http::THTTP client;
  client.MaxResponseBodySize = 128 * 1024 * 1024;
  client.CAFile = caFile;
  qp::TMemoryStream stream;
  const std::string url = (tls ? "https://localhost:" : "http://localhost:") +
                          std::to_string(server.Port()) + "/feed.xml";
  qp::bench::Stopwatch watch;
  client.Get(url, stream);
  const double seconds = watch.Seconds();
  client.Disconnect();
  t.join();
  if (stream.DataString() != body) {
    std::printf("Get read %lld bytes, not the body\n", static_cast<long long>(stream.Size()));
    std::exit(1);
  }
  return seconds;
}

}  // namespace

int main() {
  qp::test::TempDir dir;
  qp::test::TestPKI pki(dir.Path());
  Server server(pki.Issue("bench", "DNS:localhost"));

  const std::string listing = qp::bench::OverviewListing(kLines);
  const double listingMB = static_cast<double>(listing.size()) / 1e6;
  double plain = 1e9, tls = 1e9;
  for (int round = 0; round < 3; ++round) {  // best of three for each
    plain = std::min(plain, OverviewSeconds(server, listing, false, pki.CAFile()));
    tls = std::min(tls, OverviewSeconds(server, listing, true, pki.CAFile()));
  }
  std::printf("overview of %d lines (%.1f MB): plain TCP %.1f MB/s, TLS %.1f MB/s\n", kLines,
              listingMB, listingMB / plain, listingMB / tls);

  std::string body(kBodySize, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + i % 26);
  const std::string response =
      "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  double plainGet = 1e9, tlsGet = 1e9;
  for (int round = 0; round < 3; ++round) {
    plainGet = std::min(plainGet, GetSeconds(server, response, body, false, pki.CAFile()));
    tlsGet = std::min(tlsGet, GetSeconds(server, response, body, true, pki.CAFile()));
  }
  const double bodyMB = static_cast<double>(kBodySize) / 1e6;
  std::printf("Get of a %.0f MB body: plain TCP %.1f MB/s, TLS %.1f MB/s\n", bodyMB,
              bodyMB / plainGet, bodyMB / tlsGet);

  qp::bench::PrintResult("tls_overview_cli", listingMB / tls, "MB/s", plain / tls, 0.5);
  qp::bench::PrintResult("tls_http_get_counted", bodyMB / tlsGet, "MB/s", plainGet / tlsGet, 0.5);
  return 0;
}
