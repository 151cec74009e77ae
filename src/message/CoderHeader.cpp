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

// Where the next encoded word may begin: the first "=?ISO" (letters in any case) at or after
// from, or npos.
std::size_t FindWordStart(const std::string& text, std::size_t from) {
  while (from < text.size()) {
    const std::size_t at = text.find('=', from);
    if (at == std::string::npos || text.size() - at < 5) return std::string::npos;
    if (text[at + 1] == '?' && (text[at + 2] | 0x20) == 'i' && (text[at + 3] | 0x20) == 's' &&
        (text[at + 4] | 0x20) == 'o')
      return at;
    from = at + 1;
  }
  return std::string::npos;
}

}  // namespace

// One pass over the text. The rule being implemented rescans the text from one character after
// the start of each replaced word, so a word's decoded text is scanned again (and decoded again
// when it spells an encoded word itself). Decoded text is never longer than its word, so it is
// written over the word's own tail in buf and the scan simply continues there; everything
// before the scan position is final and moves to out once.
std::string DecodeHeaderWords(const std::string& text) {
  std::string buf = text;
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < buf.size()) {
    const std::size_t start = FindWordStart(buf, pos);
    const std::size_t q1 = start == std::string::npos ? start : buf.find('?', start + 5);
    const std::size_t q2 = q1 == std::string::npos ? q1 : buf.find('?', q1 + 1);
    const std::size_t e = q2 == std::string::npos ? q2 : buf.find("?=", q2 + 1);
    // A word that does not close means no later one can: every search would start further on.
    if (e == std::string::npos) break;
    const std::string_view all(buf);
    const std::string_view charset = all.substr(start + 2, q1 - start - 2);
    const char encoding = buf[q1 + 1];
    std::string decoded;
    if (encoding == 'Q' || encoding == 'q')
      decoded = DecodeQ(all.substr(q2 + 1, e - q2 - 1));
    else
      // The closing "?=" takes part in the groups, as two characters counting as 0.
      decoded = DecodeB(all.substr(q2 + 1, e + 1 - q2));
    if (SameText(charset, "ISO-2022-JP")) decoded = JisToShiftJis(decoded);

    out.append(buf, pos, start - pos);
    const std::size_t wordEnd = e + 2;
    std::size_t next = wordEnd - std::min(decoded.size(), wordEnd - start);
    if (decoded.size() <= wordEnd - start) {
      buf.replace(next, decoded.size(), decoded);
    } else {
      // Not reachable with the decoders above; kept correct rather than assumed.
      buf = decoded + buf.substr(wordEnd);
      next = 0;
    }
    // The first character of the replacement is final; the scan resumes right after it.
    if (next < buf.size()) out += buf[next];
    pos = next + 1;
  }
  if (pos < buf.size()) out.append(buf, pos, std::string::npos);
  std::erase(out, '\0');
  return out;
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
