#include "message/DisplayText.h"

#include <cstdint>
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

// RFC 2047 "Q": "_" is a blank, "=XY" the byte XY. nullopt for an "=" without two
// hexadecimal digits.
std::optional<std::string> DecodeQ(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '_') {
      out += ' ';
    } else if (c == '=') {
      if (text.size() - i < 3) return std::nullopt;
      const int high = HexDigitValue(text[i + 1]);
      const int low = HexDigitValue(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      out += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// RFC 2047 "B" (the base64 of RFC 2045). Padding may be missing; nullopt for a character
// outside the alphabet or a length no base64 text has.
std::optional<std::string> DecodeB(std::string_view text) {
  for (int pad = 0; pad < 2 && !text.empty() && text.back() == '='; ++pad) text.remove_suffix(1);
  if (text.size() % 4 == 1) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 4 * 3 + 2);
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    const int v = Base64Value(c);
    if (v < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<uint32_t>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

struct TEncodedWord {
  std::string_view Charset;
  std::string Bytes;
  std::size_t End;  // the position after its "?="
};

// The encoded word "=?charset?enc?text?=" that starts at value[at], or nullopt when the text
// there is no well-formed word in a known charset. The text runs to the first "?=" after the
// encoding letter; blanks inside it, which some senders leave in "Q" words, are taken as
// they are.
std::optional<TEncodedWord> ParseEncodedWord(std::string_view value, std::size_t at) {
  const std::size_t q1 = value.find('?', at + 2);
  if (q1 == std::string_view::npos || q1 == at + 2) return std::nullopt;
  const std::string_view charset = value.substr(at + 2, q1 - at - 2);
  for (char c : charset)
    if (IsBlank(c) || c == '=') return std::nullopt;
  if (value.size() - q1 < 3 || value[q1 + 2] != '?') return std::nullopt;
  const std::size_t close = value.find("?=", q1 + 3);
  if (close == std::string_view::npos) return std::nullopt;
  const std::string_view text = value.substr(q1 + 3, close - q1 - 3);
  std::optional<std::string> bytes;
  switch (value[q1 + 1]) {
    case 'Q':
    case 'q':
      bytes = DecodeQ(text);
      break;
    case 'B':
    case 'b':
      bytes = DecodeB(text);
      break;
    default:
      return std::nullopt;
  }
  if (!bytes || !IsKnownCharset(charset)) return std::nullopt;
  return TEncodedWord{charset, std::move(*bytes), close + 2};
}

}  // namespace

std::string DecodeHeaderText(std::string_view value) {
  if (value.find("=?") == std::string_view::npos) return ToUtf8(value);
  std::string out;
  std::string plain;  // bytes outside encoded words, not yet converted
  // The decoded bytes of adjacent words in one charset, converted together when the run ends.
  std::string words;
  std::string_view wordsCharset;
  bool afterWord = false;  // plain then holds only the blanks after the last word
  const auto flushWords = [&] {
    if (!wordsCharset.empty()) out += ToUtf8(words, wordsCharset);
    words.clear();
    wordsCharset = {};
  };
  std::size_t i = 0;
  while (i < value.size()) {
    if (value[i] == '=' && i + 1 < value.size() && value[i + 1] == '?') {
      if (std::optional<TEncodedWord> word = ParseEncodedWord(value, i)) {
        if (!afterWord) out += ToUtf8(plain);
        plain.clear();  // blanks between two words vanish
        if (!wordsCharset.empty() && !SameText(wordsCharset, word->Charset)) flushWords();
        words += word->Bytes;
        wordsCharset = word->Charset;
        afterWord = true;
        i = word->End;
        continue;
      }
    }
    if (afterWord && !IsBlank(value[i])) {
      flushWords();
      afterWord = false;
    }
    plain += value[i++];
  }
  flushWords();
  out += ToUtf8(plain);
  return out;
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
