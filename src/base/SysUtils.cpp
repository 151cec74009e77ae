#include "base/SysUtils.h"

#include <cstdarg>
#include <cstdio>
#include <limits>

#include "base/Exception.h"

namespace qp {

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string result;
  if (needed > 0) {
    result.resize(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(result.data(), result.size(), format, args);
    result.resize(static_cast<std::size_t>(needed));
  }
  va_end(args);
  return result;
}

namespace {
bool IsTrimmed(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}
}  // namespace

std::string Trim(std::string_view s) {
  return TrimRight(TrimLeft(s));
}

std::string TrimLeft(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsTrimmed(s[i])) ++i;
  return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && IsTrimmed(s[n - 1])) --n;
  return std::string(s.substr(0, n));
}

std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

std::string LowerCase(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

bool StartsText(std::string_view prefix, std::string_view s) {
  return s.size() >= prefix.size() && SameText(prefix, s.substr(0, prefix.size()));
}

std::size_t Pos(std::string_view sub, std::string_view s, std::size_t from) {
  if (from < 1 || sub.empty()) return 0;
  const std::size_t p = s.find(sub, from - 1);
  return p == std::string_view::npos ? 0 : p + 1;
}

namespace {

// Optional blanks, an optional sign, then decimal digits, "$" hex or "0x" hex.
bool TryStrToInt64Slow(std::string_view s, int64_t& value) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  uint64_t acc = 0;
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return false;
    if (__builtin_mul_overflow(acc, static_cast<uint64_t>(base), &acc) ||
        __builtin_add_overflow(acc, static_cast<uint64_t>(digit), &acc) || acc > limit)
      return false;
  }
  value = negative ? static_cast<int64_t>(0 - acc) : static_cast<int64_t>(acc);
  return true;
}

}  // namespace

bool TryStrToInt64(std::string_view s, int64_t& value) {
  // Plain decimal digits, the common case in server replies, take a short path.
  if (!s.empty() && s.size() <= 18) {
    int64_t acc = 0;
    for (const char c : s) {
      if (c < '0' || c > '9') return TryStrToInt64Slow(s, value);
      acc = acc * 10 + (c - '0');
    }
    value = acc;
    return true;
  }
  return TryStrToInt64Slow(s, value);
}

int64_t StrToInt64(std::string_view s) {
  int64_t v = 0;
  if (!TryStrToInt64(s, v))
    throw EConvertError(
        Format("'%.*s' is not a valid integer value", static_cast<int>(s.size()), s.data()));
  return v;
}

int StrToInt(std::string_view s) {
  const int64_t v = StrToInt64(s);
  if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
    throw EConvertError(
        Format("'%.*s' is not a valid integer value", static_cast<int>(s.size()), s.data()));
  return static_cast<int>(v);
}

int StrToIntDef(std::string_view s, int fallback) {
  int64_t v = 0;
  if (!TryStrToInt64(s, v) || v < std::numeric_limits<int>::min() ||
      v > std::numeric_limits<int>::max())
    return fallback;
  return static_cast<int>(v);
}

std::string IntToStr(int64_t value) {
  return std::to_string(value);
}

std::string StringReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
  std::string r;
  r.reserve(s.size());
  std::size_t start = 0;
  while (true) {
    const std::size_t p = s.find(from, start);
    if (p == std::string_view::npos || from.empty()) break;
    r.append(s.substr(start, p - start));
    r.append(to);
    start = p + from.size();
  }
  r.append(s.substr(start));
  return r;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace qp
