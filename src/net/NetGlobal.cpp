#include "net/NetGlobal.h"

#include <cstring>

#include "base/SysUtils.h"

namespace qp::net {

bool ParseDottedQuad(std::string_view text, TQuadEnd fourthPart, uint8_t address[4]) {
  for (int i = 0; i < 4; ++i) {
    const bool last = i == 3 && fourthPart == TQuadEnd::AtEnd;
    const std::size_t dot = last ? std::string_view::npos : text.find('.');
    if (i < 3 && dot == std::string_view::npos) return false;
    int64_t value = 0;
    if (!TryStrToInt64(text.substr(0, dot), value) || value < 0 || value > 255) return false;
    address[i] = static_cast<uint8_t>(value);
    text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  }
  return true;
}

bool IsDottedQuad(std::string_view text) {
  uint8_t address[4];
  return ParseDottedQuad(Trim(text), TQuadEnd::AtNextDot, address);
}

bool IsHostNameText(std::string_view text) {
  return (text.empty() || text[0] != '.') && !IsDottedQuad(text);
}

std::string FromFirstDot(std::string_view text) {
  const std::size_t p = text.find('.');
  return std::string(p == std::string_view::npos ? text : text.substr(p));
}

std::size_t FindInMemory(std::string_view pattern, const void* block, std::size_t length) {
  const std::size_t n = pattern.size();
  if (n == 0 || block == nullptr || length < n) return 0;
  const char* const base = static_cast<const char*>(block);
  const char* p = base;
  // One past the last position where a match can start.
  const char* const end = base + (length - n) + 1;
  const char first = pattern[0];
  while (p < end) {
    p = static_cast<const char*>(std::memchr(p, first, static_cast<std::size_t>(end - p)));
    if (p == nullptr) return 0;
    if (std::memcmp(p + 1, pattern.data() + 1, n - 1) == 0)
      return static_cast<std::size_t>(p - base) + 1;
    ++p;
  }
  return 0;
}

}  // namespace qp::net
