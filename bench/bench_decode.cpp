// Attachment decoding speed: base64 and uuencode bodies of 100 MB decoded line by line, as
// reception does, into a sink that keeps nothing. Baseline: coreutils "base64 -d" on the same
// base64 text, writing to /dev/null, timed in the same run. Both sides discard their output,
// so the comparison measures decoding, not how fast the machine hands out memory pages.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>

#include "BenchSupport.h"
#include "base/Streams.h"
#include "message/CoderMIME.h"
#include "message/CoderUUE.h"

namespace {

constexpr std::size_t TextSize = 100u * 1024 * 1024;

std::string RandomBytes(std::size_t count, uint32_t seed) {
  std::mt19937_64 random(seed);
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i + 8 <= count; i += 8) {
    const uint64_t r = random();
    for (int k = 0; k < 8; ++k) bytes[i + k] = static_cast<char>(r >> (8 * k));
  }
  return bytes;
}

// 76-character base64 lines (57 bytes each) until the text holds about TextSize bytes.
std::string EncodeBase64(const std::string& bytes) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve(bytes.size() / 3 * 4 + bytes.size() / 57 + 8);
  for (std::size_t i = 0; i + 3 <= bytes.size(); i += 3) {
    const uint32_t w = (static_cast<uint8_t>(bytes[i]) << 16) |
                       (static_cast<uint8_t>(bytes[i + 1]) << 8) |
                       static_cast<uint8_t>(bytes[i + 2]);
    text += alphabet[(w >> 18) & 63];
    text += alphabet[(w >> 12) & 63];
    text += alphabet[(w >> 6) & 63];
    text += alphabet[w & 63];
    if ((i / 3 + 1) % 19 == 0) text += '\n';
  }
  if (text.back() != '\n') text += '\n';
  return text;
}

// Full uuencode lines: "M", 60 characters for 45 bytes.
std::string EncodeUUE(const std::string& bytes) {
  auto ch = [](uint32_t v) { return static_cast<char>(v == 0 ? '`' : 32 + v); };
  std::string text;
  text.reserve(bytes.size() / 45 * 62 + 8);
  for (std::size_t i = 0; i + 45 <= bytes.size(); i += 45) {
    text += 'M';
    for (std::size_t k = i; k < i + 45; k += 3) {
      const uint32_t w = (static_cast<uint8_t>(bytes[k]) << 16) |
                         (static_cast<uint8_t>(bytes[k + 1]) << 8) |
                         static_cast<uint8_t>(bytes[k + 2]);
      text += ch((w >> 18) & 63);
      text += ch((w >> 12) & 63);
      text += ch((w >> 6) & 63);
      text += ch(w & 63);
    }
    text += '\n';
  }
  return text;
}

// The decoder's destination: counts the bytes it is given and keeps none, as /dev/null does
// for the baseline.
class TDiscardStream : public qp::TStream {
 public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t count) override {
    FSize += count;
    return count;
  }
  int64_t Seek(int64_t, qp::TSeekOrigin) override { return FSize; }
  int64_t Size() override { return FSize; }
  void SetSize(int64_t) override {}

 private:
  int64_t FSize = 0;
};

// Feeds text line by line (LF removed) to the decoder; returns MB/s of encoded input.
double DecodeRate(qp::message::TDecoder& decoder, const std::string& text, int64_t& decodedSize) {
  TDiscardStream out;
  std::string line;
  qp::bench::Stopwatch watch;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    line.assign(text, start, end - start);
    decoder.DecodeToStream(line, out);
    start = end + 1;
  }
  const double seconds = watch.Seconds();
  decodedSize = out.Size();
  return static_cast<double>(text.size()) / (1024.0 * 1024.0) / seconds;
}

double Base64ToolRate(const std::string& fileName, std::size_t size) {
  const std::string command = "base64 -d '" + fileName + "' > /dev/null";
  if (std::system(command.c_str()) != 0) return 0;  // warms the page cache
  double best = 0;
  for (int run = 0; run < 3; ++run) {
    qp::bench::Stopwatch watch;
    if (std::system(command.c_str()) != 0) return 0;
    const double rate = static_cast<double>(size) / (1024.0 * 1024.0) / watch.Seconds();
    if (rate > best) best = rate;
  }
  return best;
}

}  // namespace

int main() {
  char folder[] = "/tmp/qp_bench_decode_XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string fileName = std::string(folder) + "/attachment.b64";

  const std::string base64Text = EncodeBase64(RandomBytes(TextSize / 77 * 57, 1));
  {
    qp::TFileStream file(fileName, qp::TFileMode::fmCreate);
    file.WriteString(base64Text);
  }
  const double toolRate = Base64ToolRate(fileName, base64Text.size());
  std::printf("baseline: coreutils base64 -d on the same %.1f MB file (best of 3): %.1f MB/s\n",
              base64Text.size() / (1024.0 * 1024.0), toolRate);

  int64_t decoded = 0;
  double best = 0;
  for (int run = 0; run < 3; ++run) {
    qp::message::TDecoderMIME mime;
    const double rate = DecodeRate(mime, base64Text, decoded);
    if (rate > best) best = rate;
  }
  std::printf("TDecoderMIME: %.1f MB of 76-character lines -> %lld bytes, %.1f MB/s (best of 3)\n",
              base64Text.size() / (1024.0 * 1024.0), static_cast<long long>(decoded), best);
  qp::bench::PrintResult("decode_base64", best, "MB/s", toolRate > 0 ? best / toolRate : 0, 1.0);

  const std::string uueText = EncodeUUE(RandomBytes(TextSize / 62 * 45, 2));
  best = 0;
  for (int run = 0; run < 3; ++run) {
    qp::message::TDecoderUUE uue;
    const double rate = DecodeRate(uue, uueText, decoded);
    if (rate > best) best = rate;
  }
  std::printf("TDecoderUUE: %.1f MB of 61-character lines -> %lld bytes, %.1f MB/s (best of 3)\n",
              uueText.size() / (1024.0 * 1024.0), static_cast<long long>(decoded), best);
  std::printf(
      "uue baseline: no uudecode ships with coreutils, so the ratio compares against the "
      "base64 -d rate above (the same 4-to-3 work per character)\n");
  qp::bench::PrintResult("decode_uue", best, "MB/s", toolRate > 0 ? best / toolRate : 0, 1.0);

  unlink(fileName.c_str());
  rmdir(folder);
  return 0;
}
