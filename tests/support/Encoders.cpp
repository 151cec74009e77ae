#include "support/Encoders.h"

#include <algorithm>

namespace qp::test {

std::string Base64Lines(const std::string& bytes, std::size_t lineChars) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string encoded;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    uint32_t w = 0;
    for (std::size_t k = 0; k < 3; ++k)
      w = (w << 8) | (k < n ? static_cast<uint8_t>(bytes[i + k]) : 0);
    for (std::size_t k = 0; k < 4; ++k)
      encoded += k <= n ? alphabet[(w >> (18 - 6 * k)) & 63] : '=';
  }
  std::string lines;
  for (std::size_t i = 0; i < encoded.size(); i += lineChars)
    lines += encoded.substr(i, lineChars) + "\r\n";
  return lines;
}

namespace {

std::string BlockLines(const std::string& bytes, auto&& charOf) {
  std::string lines;
  for (std::size_t i = 0; i < bytes.size(); i += 45) {
    const std::size_t n = std::min<std::size_t>(45, bytes.size() - i);
    std::string line(1, charOf(static_cast<uint32_t>(n)));
    for (std::size_t g = 0; g < n; g += 3) {
      uint32_t w = 0;
      for (std::size_t k = 0; k < 3; ++k)
        w = (w << 8) | (g + k < n ? static_cast<uint8_t>(bytes[i + g + k]) : 0);
      for (int k = 0; k < 4; ++k) line += charOf((w >> (18 - 6 * k)) & 63);
    }
    lines += line + "\r\n";
  }
  return lines;
}

}  // namespace

std::string UuLines(const std::string& bytes) {
  return BlockLines(bytes, [](uint32_t v) { return v == 0 ? '`' : static_cast<char>(32 + v); });
}

std::string XxLines(const std::string& bytes) {
  static const char* alphabet = "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  return BlockLines(bytes, [](uint32_t v) { return alphabet[v]; });
}

std::string BinaryPattern(std::size_t count) {
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return bytes;
}

std::string Crlf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace qp::test
