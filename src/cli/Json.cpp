#include "cli/Json.h"

#include "base/SysUtils.h"

namespace qp {

namespace {

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t extra = 0;
    if (c < 0x80) extra = 0;
    else if (c >= 0xC2 && c <= 0xDF) extra = 1;
    else if (c >= 0xE0 && c <= 0xEF) extra = 2;
    else if (c >= 0xF0 && c <= 0xF4) extra = 3;
    else return false;
    if (extra > 0 && i + extra >= s.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return true;
}

}  // namespace

std::string JsonString(std::string_view text) {
  const bool utf8 = IsValidUtf8(text);
  std::string r = "\"";
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"') r += "\\\"";
    else if (c == '\\') r += "\\\\";
    else if (c == '\n') r += "\\n";
    else if (c == '\r') r += "\\r";
    else if (c == '\t') r += "\\t";
    else if (c < 0x20 || c == 0x7F || (c >= 0x80 && !utf8)) r += Format("\\u%04x", c);
    else r += ch;
  }
  return r + "\"";
}

void TJsonObject::Name(std::string_view name) {
  if (!FBody.empty()) FBody += ",";
  FBody += JsonString(name) + ":";
}

TJsonObject& TJsonObject::Str(std::string_view name, std::string_view value) {
  Name(name);
  FBody += JsonString(value);
  return *this;
}

TJsonObject& TJsonObject::Num(std::string_view name, int64_t value) {
  Name(name);
  FBody += std::to_string(value);
  return *this;
}

TJsonObject& TJsonObject::Raw(std::string_view name, std::string_view value) {
  Name(name);
  FBody += value;
  return *this;
}

}  // namespace qp
