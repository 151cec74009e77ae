// Article reception of a 50 MB attachment over loopback (base64 in a multipart/mixed
// article, and one uuencoded block), decoded into the attachment's temporary file, against a
// plain loop that receives the same bytes and writes them unchanged to a new temporary file.
// Also prints the peak resident size, which must not grow with the attachment.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "BenchSupport.h"
#include "base/FileSystem.h"
#include "base/Streams.h"
#include "nntp/MessageClient.h"

namespace {

constexpr std::size_t kPayload = 50u * 1024 * 1024;

std::string Payload() {
  std::string bytes(kPayload, '\0');
  uint32_t x = 2463534242u;
  for (char& c : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return bytes;
}

uint64_t Fnv(const char* data, std::size_t n, uint64_t h = 1469598103934665603ull) {
  for (std::size_t i = 0; i < n; ++i) h = (h ^ static_cast<uint8_t>(data[i])) * 1099511628211ull;
  return h;
}

uint64_t FileFnv(const std::string& path, int64_t& size) {
  qp::TFileStream file(path, qp::TFileMode::fmOpenRead);
  std::string buffer(1 << 16, '\0');
  uint64_t h = 1469598103934665603ull;
  size = 0;
  for (;;) {
    const int64_t n = file.Read(buffer.data(), static_cast<int64_t>(buffer.size()));
    if (n <= 0) break;
    h = Fnv(buffer.data(), static_cast<std::size_t>(n), h);
    size += n;
  }
  return h;
}

void EncodeGroups(const std::string& bytes, std::size_t at, std::size_t n, std::string& out,
                  auto&& charOf) {
  for (std::size_t g = 0; g < n; g += 3) {
    uint32_t w = 0;
    for (std::size_t k = 0; k < 3; ++k)
      w = (w << 8) | (g + k < n ? static_cast<uint8_t>(bytes[at + g + k]) : 0);
    for (int k = 0; k < 4; ++k) out += charOf((w >> (18 - 6 * k)) & 63);
  }
}

std::string Base64Article(const std::string& payload) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string article =
      "Subject: big\r\nContent-Type: multipart/mixed; boundary=\"bench\"\r\n\r\n--bench\r\n"
      "Content-Type: text/plain\r\n\r\nsee attachment\r\n--bench\r\n"
      "Content-Type: application/octet-stream; name=\"big.bin\"\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\n";
  article.reserve(payload.size() * 140 / 100);
  // 57 bytes give one 76-character line; the payload size is a multiple of 3 apart from the
  // last line, which gets its pad characters.
  for (std::size_t i = 0; i < payload.size(); i += 57) {
    const std::size_t n = std::min<std::size_t>(57, payload.size() - i);
    const std::size_t start = article.size();
    EncodeGroups(payload, i, n, article, [](uint32_t v) { return alphabet[v]; });
    if (n % 3 != 0) {
      const std::size_t groups = (n + 2) / 3 * 4;
      article.replace(start + groups - (3 - n % 3), 3 - n % 3, 3 - n % 3, '=');
    }
    article += "\r\n";
  }
  article += "--bench--\r\n.\r\n";
  return article;
}

std::string UuArticle(const std::string& payload) {
  auto uu = [](uint32_t v) { return v == 0 ? '`' : static_cast<char>(32 + v); };
  std::string article = "Subject: big\r\n\r\nsee below\r\nbegin 644 big.bin\r\n";
  article.reserve(payload.size() * 140 / 100);
  for (std::size_t i = 0; i < payload.size(); i += 45) {
    const std::size_t n = std::min<std::size_t>(45, payload.size() - i);
    article += uu(static_cast<uint32_t>(n));
    EncodeGroups(payload, i, n, article, uu);
    article += "\r\n";
  }
  article += "`\r\nend\r\n.\r\n";
  return article;
}

// Seconds to receive the article bytes and write them unchanged to a new temporary file.
double PlainLoopSeconds(const std::string& article) {
  qp::bench::OneShotServer server(article);
  const std::string path = qp::MakeTempFile("Qpb");
  qp::bench::Stopwatch watch;
  std::size_t total = 0;
  const int fd = qp::test::ConnectLoopback(server.Port());
  {
    qp::TFileStream file(path, qp::TFileMode::fmCreate);
    char buffer[32768];
    for (;;) {
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      file.WriteBuffer(buffer, n);
      total += static_cast<std::size_t>(n);
    }
  }
  const double seconds = watch.Seconds();
  ::close(fd);
  std::remove(path.c_str());
  if (total != article.size()) std::printf("plain loop read %zu bytes only\n", total);
  return seconds;
}

// Seconds to receive the article with ReadMessageHeader/ReadMessageBody; checks the file.
double ReceptionSeconds(const std::string& article, uint64_t expectedHash) {
  qp::bench::OneShotServer server(article);
  qp::nntp::TMessageClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  qp::message::TMessage message;
  qp::bench::Stopwatch watch;
  client.Connect();
  if (client.ReadMessageHeader(message, "")) client.ReadMessageBody(message, ".");
  const double seconds = watch.Seconds();
  client.Disconnect();
  bool found = false;
  for (int i = 0; i < message.MessageParts.Count(); ++i) {
    if (auto* a = dynamic_cast<qp::message::TAttachment*>(&message.MessageParts[i])) {
      int64_t size = 0;
      found = FileFnv(a->StoredPath, size) == expectedHash && size == int64_t{kPayload};
    }
  }
  if (!found) std::printf("the decoded attachment does not match the payload\n");
  return seconds;
}

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// A field of /proc/self/status in KiB ("VmHWM", "VmRSS"); -1 when unavailable.
long StatusKiB(const char* field) {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return -1;
  char line[256];
  long value = -1;
  const std::size_t n = std::strlen(field);
  while (std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, field, n) == 0 && line[n] == ':') value = std::atol(line + n + 1);
  }
  std::fclose(f);
  return value;
}

// Resets the peak resident size (VmHWM) to the current one; false when the kernel refuses.
bool ResetPeakRss() {
  std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (f == nullptr) return false;
  const bool ok = std::fputs("5", f) >= 0;
  return std::fclose(f) == 0 && ok;
}

void Run(const char* name, const std::string& article, uint64_t hash) {
  // Best of three runs each, to keep one scheduling hiccup from deciding the ratio.
  double plain = 1e9, reception = 1e9;
  for (int run = 0; run < 3; ++run) {
    plain = std::min(plain, PlainLoopSeconds(article));
    const long before = StatusKiB("VmRSS");
    const bool reset = ResetPeakRss();
    reception = std::min(reception, ReceptionSeconds(article, hash));
    if (reset && run == 0) {
      std::printf("resident before reception %ld KiB, peak during reception %ld KiB (+%ld KiB)\n",
                  before, StatusKiB("VmHWM"), StatusKiB("VmHWM") - before);
    }
  }
  const double payloadMB = static_cast<double>(kPayload) / 1e6;
  std::printf("%s: article %.1f MB on the wire, payload %.1f MB\n", name,
              static_cast<double>(article.size()) / 1e6, payloadMB);
  std::printf("baseline plain recv + file write: %.3f s (%.1f MB/s of payload)\n", plain,
              payloadMB / plain);
  std::printf("ReadMessageHeader/ReadMessageBody: %.3f s (%.1f MB/s of payload)\n", reception,
              payloadMB / reception);
  std::printf("peak RSS so far: %ld KiB\n", PeakRssKiB());
  const double ratio = plain / reception;
  std::printf("ratio plain time / reception time: %.3f\n", ratio);
  qp::bench::PrintResult(name, payloadMB / reception, "MB/s", ratio, 0.5);
}

}  // namespace

int main() {
  std::string payload = Payload();
  const uint64_t hash = Fnv(payload.data(), payload.size());
  std::string base64 = Base64Article(payload);
  std::string uue = UuArticle(payload);
  payload = std::string();
  payload.shrink_to_fit();
  std::printf("peak RSS with both articles built (%.1f MB): %ld KiB\n",
              static_cast<double>(base64.size() + uue.size()) / 1e6, PeakRssKiB());
  Run("reception_base64", base64, hash);
  Run("reception_uue", uue, hash);
  return 0;
}
