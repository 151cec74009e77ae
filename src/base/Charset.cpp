#include "base/Charset.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace qp {

namespace {

// How a charset name is read.
enum class TCharsetKind {
  Fallback,     // no charset, UTF-8 or US-ASCII: valid UTF-8 lines stay, others windows-1252
  Windows1252,  // windows-1252 and ISO-8859-1 under any of their names
  Iconv,        // a name iconv knows
  Unknown,      // a name iconv does not know: read as Fallback
};

// The characters 0x80 to 0x9F of windows-1252; the five undefined bytes keep their number.
constexpr std::array<uint16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Writes c (below U+10000) in UTF-8 at p; returns the position after it.
char* PutUtf8(char* p, uint32_t c) {
  if (c < 0x80) {
    *p++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *p++ = static_cast<char>(0xC0 | (c >> 6));
    *p++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *p++ = static_cast<char>(0xE0 | (c >> 12));
    *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return p;
}

// Longest charset name taken from an article; real names are far shorter.
constexpr std::size_t kMaxCharsetName = 64;

// The charset name in lower case without quotes, blanks and RFC 2231 language; "" for a
// name that is empty, too long or holds characters no charset name has (iconv must never see
// "//TRANSLIT" or a path from an article).
std::string CharsetKey(std::string_view name) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!name.empty() && blank(name.front())) name.remove_prefix(1);
  while (!name.empty() && blank(name.back())) name.remove_suffix(1);
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
    name = name.substr(1, name.size() - 2);
  name = name.substr(0, name.find('*'));
  if (name.empty() || name.size() > kMaxCharsetName) return "";
  std::string key;
  key.reserve(name.size());
  for (char c : name) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':' ||
                         c == '+';
    if (!allowed) return "";
    key += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
  }
  return key;
}

// The iconv converters from each charset to UTF-8 that this thread has opened, by key; a
// name iconv refused is remembered as unknown. Bounded: a run of odd names empties it.
class TConverters {
 public:
  TConverters() = default;
  TConverters(const TConverters&) = delete;
  TConverters& operator=(const TConverters&) = delete;
  ~TConverters() { Close(); }

  std::size_t Count() const { return FOpen.size(); }
  // The converter for key, or nullopt when iconv does not know the name.
  std::optional<iconv_t> Find(const std::string& key) {
    for (const auto& [name, cd] : FOpen)
      if (name == key) return Usable(cd);
    if (FOpen.size() >= kCapacity) Close();
    const iconv_t cd = ::iconv_open("UTF-8", key.c_str());
    FOpen.emplace_back(key, cd);
    return Usable(cd);
  }

 private:
  static constexpr std::size_t kCapacity = 32;
  static std::optional<iconv_t> Usable(iconv_t cd) {
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    return cd;
  }
  void Close() {
    for (const auto& entry : FOpen)
      if (entry.second != reinterpret_cast<iconv_t>(-1)) ::iconv_close(entry.second);
    FOpen.clear();
  }
  std::vector<std::pair<std::string, iconv_t>> FOpen;
};

TConverters& Converters() {
  thread_local TConverters converters;
  return converters;
}

TCharsetKind KindOfKey(const std::string& key, std::optional<iconv_t>& cd) {
  if (key.empty()) return TCharsetKind::Unknown;
  static const char* const fallback[] = {"utf-8", "utf8",      "us-ascii",      "ascii",
                                         "us",    "iso646-us", "ansi_x3.4-1968"};
  static const char* const windows1252[] = {
      "windows-1252", "cp1252",          "x-cp1252", "iso-8859-1", "iso8859-1",
      "iso_8859-1",   "iso_8859-1:1987", "latin1",   "l1",         "iso-ir-100",
      "csisolatin1",  "cp819",           "ibm819"};
  for (const char* name : fallback)
    if (key == name) return TCharsetKind::Fallback;
  for (const char* name : windows1252)
    if (key == name) return TCharsetKind::Windows1252;
  cd = Converters().Find(key);
  return cd ? TCharsetKind::Iconv : TCharsetKind::Unknown;
}

// KindOfKey of the name's key. The names last asked for are remembered as they were written,
// so the words of an overview, which name a few charsets again and again, cost a comparison.
TCharsetKind KindOf(std::string_view name, std::optional<iconv_t>& cd) {
  struct TRecent {
    std::string Name;
    TCharsetKind Kind;
    std::optional<iconv_t> Converter;
  };
  constexpr std::size_t kRecent = 8;
  thread_local std::vector<TRecent> recent;
  for (const TRecent& entry : recent) {
    if (entry.Name == name) {
      cd = entry.Converter;
      return entry.Kind;
    }
  }
  std::optional<iconv_t> converter;
  const std::size_t opened = Converters().Count();
  const TCharsetKind kind = KindOfKey(CharsetKey(name), converter);
  // A converter may only be remembered while the converter list keeps it open; when that
  // list was emptied to make room, every remembered converter is gone.
  if (Converters().Count() < opened) recent.clear();
  if (recent.size() >= kRecent) recent.erase(recent.begin());
  recent.push_back({std::string(name), kind, converter});
  cd = converter;
  return kind;
}

void AppendWindows1252(std::string& out, std::string_view bytes) {
  const std::size_t before = out.size();
  out.resize(before + bytes.size() * 3);  // no character takes more than three bytes
  char* p = out.data() + before;
  for (char b : bytes) {
    const auto c = static_cast<unsigned char>(b);
    if (c < 0x80)
      *p++ = b;
    else
      p = PutUtf8(p, c < 0xA0 ? kWindows1252High[c - 0x80] : c);
  }
  out.resize(static_cast<std::size_t>(p - out.data()));
}

// One run of iconv over in, appended to out. False, with out as it was, when in holds a byte
// sequence invalid in the charset or ends inside a character.
bool Convert(iconv_t cd, std::string_view in, std::string& out) {
  ::iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial shift state
  const std::size_t before = out.size();
  out.resize(before + in.size() * 2 + 16);
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  std::size_t used = before;
  bool flushing = false;
  for (;;) {
    char* outPtr = out.data() + used;
    std::size_t outLeft = out.size() - used;
    // The last call, without input, writes what a stateful encoding still owes.
    const std::size_t result = flushing ? ::iconv(cd, nullptr, nullptr, &outPtr, &outLeft)
                                        : ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    used = out.size() - outLeft;
    if (result != static_cast<std::size_t>(-1)) {
      if (flushing) break;
      flushing = true;
      continue;
    }
    if (errno != E2BIG) {
      out.resize(before);
      return false;
    }
    out.resize(out.size() * 2);
  }
  out.resize(used);
  return true;
}

// A line that is valid UTF-8 as it is, any other as windows-1252.
void AppendFallbackLine(std::string& out, std::string_view line) {
  if (IsValidUtf8(line))
    out.append(line);
  else
    AppendWindows1252(out, line);
}

// Applies appendLine to each line of bytes (the text between LF bytes), keeping the LFs.
template <class AppendLine>
void ByLine(std::string& out, std::string_view bytes, AppendLine appendLine) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = bytes.find('\n', start);
    appendLine(out, bytes.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    out += '\n';
    start = end + 1;
  }
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    // Eight ASCII bytes at a time: most header text is ASCII throughout.
    if (n - i >= 8) {
      uint64_t word;
      std::memcpy(&word, s + i, 8);
      if ((word & 0x8080808080808080ULL) == 0) {
        i += 8;
        continue;
      }
    }
    const unsigned char c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t extra = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      if (c == 0xE0) low = 0xA0;   // overlong
      if (c == 0xED) high = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      if (c == 0xF0) low = 0x90;   // overlong
      if (c == 0xF4) high = 0x8F;  // beyond U+10FFFF
    } else {
      return false;
    }
    if (n - i <= extra) return false;
    if (s[i + 1] < low || s[i + 1] > high) return false;
    for (std::size_t k = 2; k <= extra; ++k)
      if ((s[i + k] & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return true;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  AppendWindows1252(out, bytes);
  return out;
}

bool IsKnownCharset(std::string_view charset) {
  std::optional<iconv_t> cd;
  return KindOf(charset, cd) != TCharsetKind::Unknown;
}

void AppendUtf8Text(std::string& out, std::string_view bytes, std::string_view charset) {
  if (bytes.empty()) return;
  std::optional<iconv_t> cd;
  const TCharsetKind kind = charset.empty() ? TCharsetKind::Fallback : KindOf(charset, cd);
  switch (kind) {
    case TCharsetKind::Windows1252:
      AppendWindows1252(out, bytes);
      return;
    case TCharsetKind::Iconv:
      if (Convert(*cd, bytes, out)) return;
      // Damage in the declared charset costs only the lines it is on.
      ByLine(out, bytes, [&](std::string& to, std::string_view line) {
        if (!Convert(*cd, line, to)) AppendFallbackLine(to, line);
      });
      return;
    case TCharsetKind::Fallback:
    case TCharsetKind::Unknown:
      break;
  }
  if (IsValidUtf8(bytes))
    out.append(bytes);
  else
    ByLine(out, bytes, AppendFallbackLine);
}

std::string ToUtf8(std::string_view bytes, std::string_view charset) {
  std::string out;
  AppendUtf8Text(out, bytes, charset);
  return out;
}

}  // namespace qp
