#include "message/CoderHeader.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/Exception.h"
#include "base/SysUtils.h"
#include "message/Coder3to4.h"

namespace qp::message {

namespace {

// The base64 alphabet with every other byte (pad character included) reading as 0: header
// words are decoded more forgivingly than body lines.
const TDecodeTable& HeaderBase64Table() {
  static const TDecodeTable table = [] {
    TDecodeTable t =
        BuildDecodeTable("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
    std::replace(t.begin(), t.end(), uint8_t{255}, uint8_t{0});
    return t;
  }();
  return table;
}

// RFC 2047 "Q" encoding. An "=" with fewer than two characters after it stays as it is.
std::string DecodeQ(std::string_view data) {
  std::string out;
  out.reserve(data.size());
  for (std::size_t i = 0; i < data.size(); ++i) {
    const char c = data[i];
    if (c == '_') {
      out += ' ';
    } else if (c == '=' && data.size() - i > 2) {
      const int high = HexDigitValue(data[i + 1]);
      const int low = HexDigitValue(data[i + 2]);
      if (high < 0 || low < 0) {
        const std::string pair(data.substr(i + 1, 2));
        throw EConvertError(Format("'$%s' is not a valid integer value", pair.c_str()));
      }
      out += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

// Base64 groups of four; a shorter tail is dropped.
std::string DecodeB(std::string_view data) {
  const TDecodeTable& table = HeaderBase64Table();
  std::string out;
  out.reserve(data.size() / 4 * 3);
  for (std::size_t i = 0; i + 4 <= data.size(); i += 4) {
    const uint32_t w = (uint32_t{table[static_cast<uint8_t>(data[i])]} << 18) |
                       (uint32_t{table[static_cast<uint8_t>(data[i + 1])]} << 12) |
                       (uint32_t{table[static_cast<uint8_t>(data[i + 2])]} << 6) |
                       uint32_t{table[static_cast<uint8_t>(data[i + 3])]};
    out += static_cast<char>(w >> 16);
    out += static_cast<char>(w >> 8);
    out += static_cast<char>(w);
  }
  return out;
}

}  // namespace

std::string DecodeHeaderWords(const std::string& text) {
  std::string result = text;
  std::string upper = UpperCase(result);
  // Positions count from 1 here, as Pos returns them; 0 means "not found".
  std::size_t start = Pos("=?ISO", upper);
  while (start > 0) {
    const std::size_t q1 = Pos("?", upper, start + 5);
    const std::size_t q2 = q1 > 0 ? Pos("?", upper, q1 + 1) : 0;
    const std::size_t e = q2 > 0 ? Pos("?=", upper, q2 + 1) : 0;
    if (e > 0) {
      const std::string_view all(result);
      const std::string_view charset = all.substr(start + 1, q1 - start - 2);
      const char encoding = result[q1];
      std::string decoded;
      if (encoding == 'Q' || encoding == 'q')
        decoded = DecodeQ(all.substr(q2, e - q2 - 1));
      else
        // The closing "?=" takes part in the groups, as two characters counting as 0.
        decoded = DecodeB(all.substr(q2, e + 1 - q2));
      if (SameText(charset, "ISO-2022-JP")) decoded = JisToShiftJis(decoded);
      result = result.substr(0, start - 1) + decoded + result.substr(e + 1);
      upper = UpperCase(result);
    }
    start = Pos("=?ISO", upper, start + 1);
  }
  std::erase(result, '\0');
  return result;
}

std::string JisToShiftJis(const std::string& bytes) {
  constexpr char Esc = 0x1B;
  std::string out;
  out.reserve(bytes.size());
  bool twoByte = false;
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    if (bytes[i] == Esc) {
      if (n - i < 3) {
        ++i;
        continue;
      }
      if (bytes[i + 1] == '$' && bytes[i + 2] == 'B') twoByte = true;
      if (bytes[i + 1] == '(' && bytes[i + 2] == 'B') twoByte = false;
      i += 3;
    } else if (!twoByte) {
      out += bytes[i++];
    } else {
      if (n - i < 2) break;
      // JIS X 0208 row/cell to Shift_JIS lead and trail bytes.
      const int j1 = static_cast<uint8_t>(bytes[i]);
      const int j2 = static_cast<uint8_t>(bytes[i + 1]);
      const int s1 = (j1 - 1) / 2 + (j1 < 0x5F ? 0x71 : 0xB1);
      const int s2 = (j1 % 2 == 0) ? j2 + 0x7E : (j2 < 0x60 ? j2 + 0x1F : j2 + 0x20);
      out += static_cast<char>(s1 & 0xFF);
      out += static_cast<char>(s2 & 0xFF);
      i += 2;
    }
  }
  return out;
}

}  // namespace qp::message
