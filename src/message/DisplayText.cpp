#include "message/DisplayText.h"

#include <cstdint>
#include <cstring>
#include <optional>

#include "base/Charset.h"
#include "base/SysUtils.h"
#include "message/Message.h"
#include "message/MessageParts.h"

namespace qp::message {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(c | 0x20);
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// RFC 2047 "Q", appended to out: "_" is a blank, "=XY" the byte XY. False for an "=" without
// two hexadecimal digits.
bool DecodeQ(std::string_view text, std::string& out) {
  const std::size_t before = out.size();
  out.resize(before + text.size());  // decoding never lengthens the text
  char* p = out.data() + before;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '_') {
      *p++ = ' ';
    } else if (c == '=') {
      if (text.size() - i < 3) return false;
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) return false;
      *p++ = static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      *p++ = c;
    }
  }
  out.resize(static_cast<std::size_t>(p - out.data()));
  return true;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// RFC 2047 "B" (the base64 of RFC 2045), appended to out. Padding may be missing; false for a
// character outside the alphabet or a length no base64 text has.
bool DecodeB(std::string_view text, std::string& out) {
  for (int pad = 0; pad < 2 && !text.empty() && text.back() == '='; ++pad) text.remove_suffix(1);
  if (text.size() % 4 == 1) return false;
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    const int v = Base64Value(c);
    if (v < 0) return false;
    bits = (bits << 6) | static_cast<uint32_t>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return true;
}

// The parts of an encoded word "=?charset?enc?text?=".
struct TEncodedWord {
  std::string_view Charset;
  char Encoding;  // 'q' or 'b'
  std::string_view Text;
  std::size_t End;  // the position after its "?="
};

// The encoded word that starts at value[at] ("=?"), when its form is right and its charset
// known. The text runs to the first "?=" after the encoding letter; blanks inside it, which
// some senders leave in "Q" words, are taken as they are.
std::optional<TEncodedWord> ParseWordAt(std::string_view value, std::size_t at) {
  const std::size_t q1 = value.find('?', at + 2);
  if (q1 == std::string_view::npos || q1 == at + 2) return std::nullopt;
  const std::string_view name = value.substr(at + 2, q1 - at - 2);
  for (char c : name)
    if (IsBlank(c) || c == '=') return std::nullopt;
  if (value.size() - q1 < 3 || value[q1 + 2] != '?') return std::nullopt;
  const std::size_t close = value.find("?=", q1 + 3);
  if (close == std::string_view::npos) return std::nullopt;
  const char encoding = static_cast<char>(value[q1 + 1] | 0x20);
  if ((encoding != 'q' && encoding != 'b') || !IsKnownCharset(name)) return std::nullopt;
  return TEncodedWord{name, encoding, value.substr(q1 + 3, close - q1 - 3), close + 2};
}

}  // namespace

bool HeaderTextAsSent(std::string_view value) {
  // Most values are ASCII without any "=": eight bytes at a time, looking for a byte with
  // its high bit set or an "=" (a byte is zero exactly when (b - 1) & ~b has its high bit).
  constexpr uint64_t ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
  std::size_t i = 0;
  for (; i + 8 <= value.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, value.data() + i, 8);
    const uint64_t equals = word ^ (ones * '=');
    if (((word & highs) | ((equals - ones) & ~equals & highs)) != 0) break;
  }
  while (i < value.size() && static_cast<unsigned char>(value[i]) < 0x80 && value[i] != '=') ++i;
  if (i == value.size()) return true;
  return value.find("=?") == std::string_view::npos && IsValidUtf8(value);
}

std::string DecodeHeaderText(std::string_view value) {
  std::string out;
  AppendHeaderText(out, value);
  return out;
}

void AppendHeaderText(std::string& out, std::string_view value) {
  if (value.find("=?") == std::string_view::npos) {
    AppendUtf8Text(out, value);
    return;
  }
  // The decoded bytes of adjacent words in one charset, converted together when the run
  // ends. Kept by the thread, so an overview of many lines decodes without allocating.
  thread_local std::string words;
  words.clear();
  std::string_view wordsCharset;
  const auto flushWords = [&] {
    if (!wordsCharset.empty()) AppendUtf8Text(out, words, wordsCharset);
    words.clear();
    wordsCharset = {};
  };
  std::size_t plain = 0;  // start of the text not yet written
  std::size_t i = 0;
  while (i < value.size()) {
    // After a word, only blanks may come before the next word for the two to join.
    const bool afterWord = !wordsCharset.empty();
    std::size_t at = i;
    if (afterWord) {
      while (at < value.size() && IsBlank(value[at])) ++at;
      if (value.compare(at, 2, "=?") != 0) {
        flushWords();
        i = at;
        continue;
      }
    } else {
      at = value.find("=?", i);
      if (at == std::string_view::npos) break;
    }
    const std::optional<TEncodedWord> word = ParseWordAt(value, at);
    if (word && !afterWord) {
      // The text before the first word of a run is written; blanks between words vanish.
      AppendUtf8Text(out, value.substr(plain, at - plain));
      plain = at;
    } else if (word && !SameText(wordsCharset, word->Charset)) {
      flushWords();
    }
    const std::size_t before = words.size();
    if (!word ||
        !(word->Encoding == 'q' ? DecodeQ(word->Text, words) : DecodeB(word->Text, words))) {
      // Not a word after all: from plain on it is text, shown as sent.
      words.resize(before);
      flushWords();
      i = at + 1;
      continue;
    }
    wordsCharset = word->Charset;
    i = plain = word->End;
  }
  flushWords();
  AppendUtf8Text(out, value.substr(plain));
}

TStringList HeaderLinesToUtf8(const THeaderList& headers) {
  TStringList out;
  bool inField = false;
  for (int i = 0; i < headers.Count(); ++i) {
    const std::string& line = headers[i];
    const bool continuation = !line.empty() && IsBlank(line[0]);
    if (continuation && inField) continue;  // joined into its field's value
    const std::size_t colon = line.find(':');
    inField = !continuation && colon != std::string::npos;
    if (!inField) {
      out.Add(ToUtf8(line));
      continue;
    }
    const std::string value = DecodeHeaderText(headers.FieldValue(i));
    out.Add(ToUtf8(std::string_view(line).substr(0, colon)) + ":" + (value.empty() ? "" : " ") +
            value);
  }
  return out;
}

std::string MimeParameter(std::string_view value, std::string_view name) {
  std::size_t i = value.find(';');
  while (i != std::string_view::npos && i < value.size()) {
    ++i;
    while (i < value.size() && IsBlank(value[i])) ++i;
    const std::size_t nameEnd = value.find_first_of("=;", i);
    const std::string_view attribute =
        value.substr(i, (nameEnd == std::string_view::npos ? value.size() : nameEnd) - i);
    if (nameEnd == std::string_view::npos || value[nameEnd] == ';') {
      i = nameEnd;
      continue;
    }
    i = nameEnd + 1;
    while (i < value.size() && IsBlank(value[i])) ++i;
    std::string parameter;
    if (i < value.size() && value[i] == '"') {
      for (++i; i < value.size() && value[i] != '"'; ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        parameter += value[i];
      }
      i = value.find(';', i);
    } else {
      // A token ends at a blank too: "charset=utf-8 (a comment)" names utf-8.
      const std::size_t end = value.find_first_of("; \t", i);
      parameter = value.substr(i, end == std::string_view::npos ? end : end - i);
      i = value.find(';', i);
    }
    if (SameText(Trim(attribute), name)) return parameter;
  }
  return "";
}

std::string MediaType(std::string_view contentType) {
  return LowerCase(Trim(contentType.substr(0, contentType.find(';'))));
}

std::string TextCharset(const TMessagePart& part, const TMessage& message) {
  const std::string own = MimeParameter(part.ContentType(), "charset");
  return !own.empty() ? own : MimeParameter(message.ContentType, "charset");
}

TStringList LinesToUtf8(const TStringList& lines, std::string_view charset) {
  std::string joined;
  for (int i = 0; i < lines.Count(); ++i) {
    if (i > 0) joined += '\n';
    joined += lines[i];
  }
  const std::string converted = ToUtf8(joined, charset);
  TStringList out;
  if (lines.Empty()) return out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = converted.find('\n', start);
    out.Add(converted.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  // A charset in which the line feed byte is no line end (UTF-16): line by line instead.
  if (out.Count() != lines.Count()) {
    out.Clear();
    for (const std::string& line : lines) out.Add(ToUtf8(line, charset));
  }
  return out;
}

}  // namespace qp::message
