#include "cli/Json.h"

#include <cstring>

#include "base/Charset.h"
#include "base/SysUtils.h"

namespace qp::cli {

namespace {

// True when one of the eight bytes of word needs attention in a JSON string: a control
// character, a quote, a backslash, DEL or a byte of 0x80 and above (classic SWAR tests:
// a byte is zero exactly when (b - 1) & ~b has its high bit set).
bool AnySpecial(uint64_t word) {
  constexpr uint64_t ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
  const auto hasZero = [](uint64_t v) { return (v - ones) & ~v & highs; };
  const uint64_t below0x20 = (word - ones * 0x20) & ~word & highs;
  return ((word & highs) | below0x20 | hasZero(word ^ (ones * '"')) |
          hasZero(word ^ (ones * '\\')) | hasZero(word ^ (ones * 0x7F))) != 0;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string r;
  AppendJsonString(r, text);
  return r;
}

void AppendJsonString(std::string& r, std::string_view text) {
  r += '"';
  bool checked = false, utf8 = true;
  std::size_t run = 0;  // start of the bytes not yet copied
  for (std::size_t i = 0; i < text.size(); ++i) {
    // Skip eight plain bytes at a time: most header text needs no escaping at all.
    while (i + 8 <= text.size()) {
      uint64_t word;
      std::memcpy(&word, text.data() + i, 8);
      if (AnySpecial(word)) break;
      i += 8;
    }
    if (i >= text.size()) break;
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != '"' && c != '\\' && c != 0x7F && c < 0x80) continue;
    if (c >= 0x80) {
      if (!checked) {
        utf8 = IsValidUtf8(text);
        checked = true;
      }
      if (utf8) continue;
    }
    r.append(text.data() + run, i - run);
    run = i + 1;
    if (c == '"')
      r += "\\\"";
    else if (c == '\\')
      r += "\\\\";
    else if (c == '\n')
      r += "\\n";
    else if (c == '\r')
      r += "\\r";
    else if (c == '\t')
      r += "\\t";
    else
      r += Format("\\u%04x", c);
  }
  r.append(text.data() + run, text.size() - run);
  r += '"';
}

void TJsonObject::Name(std::string_view name) {
  if (!FBody.empty()) FBody += ",";
  // Names are the program's own plain words and need no escaping.
  FBody += '"';
  FBody += name;
  FBody += "\":";
}

TJsonObject& TJsonObject::Str(std::string_view name, std::string_view value) {
  Name(name);
  AppendJsonString(FBody, value);
  return *this;
}

TJsonObject& TJsonObject::Num(std::string_view name, int64_t value) {
  Name(name);
  FBody += std::to_string(value);
  return *this;
}

TJsonObject& TJsonObject::Unsigned(std::string_view name, uint64_t value) {
  Name(name);
  FBody += std::to_string(value);
  return *this;
}

TJsonObject& TJsonObject::Raw(std::string_view name, std::string_view value) {
  Name(name);
  FBody += value;
  return *this;
}

}  // namespace qp::cli
