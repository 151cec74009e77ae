// Garbage must not crash: random bytes and mutated valid lines through every decoder, the
// header word decoder and the address parser. Run under the sanitizers, this catches reads
// beyond a line and other memory faults; only the documented exceptions are allowed.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/Exception.h"
#include "base/Streams.h"
#include "message/CoderHeader.h"
#include "message/CoderMIME.h"
#include "message/CoderQuotedPrintable.h"
#include "message/CoderUUE.h"
#include "message/CoderXXE.h"
#include "message/EMailAddress.h"

namespace qp::message {
namespace {

constexpr int Rounds = 3000;

class Garbage {
 public:
  explicit Garbage(uint32_t seed) : FRandom(seed) {}

  std::string RandomBytes() {
    std::string s(Below(200), '\0');
    for (char& c : s) c = static_cast<char>(Below(256));
    return s;
  }

  // A valid line with a few bytes replaced, inserted or removed, or cut short.
  std::string Mutate(std::string s) {
    const std::size_t edits = 1 + Below(4);
    for (std::size_t i = 0; i < edits; ++i) {
      const std::size_t at = s.empty() ? 0 : Below(s.size());
      switch (Below(4)) {
        case 0:
          if (!s.empty()) s[at] = Interesting();
          break;
        case 1:
          s.insert(s.begin() + static_cast<std::ptrdiff_t>(at), Interesting());
          break;
        case 2:
          if (!s.empty()) s.erase(at, 1);
          break;
        default:
          s.resize(at);
      }
    }
    return s;
  }

  std::size_t Below(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(FRandom);
  }

 private:
  char Interesting() {
    static const std::string special = "=?_<>@()\"\\,;: \t\x1b$B(J`!M+-h\r\n";
    return Below(2) == 0 ? special[Below(special.size())] : static_cast<char>(Below(256));
  }
  std::mt19937 FRandom;
};

const std::vector<std::string>& Seeds() {
  static const std::vector<std::string> seeds = {
      "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVo=",
      "QQ==",
      "M86XL86XL86XL86XL86XL86XL86XL86XL86XL86XL86XL86XL86XL86XL86XL86X",
      "!00``",
      "h+++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++",
      "caf=E9 au lait=",
      "=?ISO-8859-1?Q?caf=E9_au_lait?= =?ISO-8859-1?B?QUJD?=",
      "=?ISO-2022-JP?B?GyRCRnxLXBsoQg==?=",
      "\"Doe, John\" <john@example.com>, Friends: a@b.c (x, y), <>;",
      "John Doe <jd@x.org> (comment \\) here)",
  };
  return seeds;
}

void Exercise(const std::string& input) {
  TMemoryStream out;
  TDecoderMIME mime;
  try {
    mime.DecodeToStream(input, out);
    EXPECT_LE(out.Size(), static_cast<int64_t>(input.size() / 4 * 3));
  } catch (const ENetException&) {
    EXPECT_NE(input.size() % 4, 0u);
  }
  out.Clear();
  TDecoderUUE uue;
  uue.DecodeToStream(input, out);
  EXPECT_LE(out.Size(), 63);
  out.Clear();
  TDecoderXXE xxe;
  xxe.DecodeToStream(input, out);
  EXPECT_LE(out.Size(), 63);
  out.Clear();
  TDecoderQuotedPrintable quotedPrintable;
  quotedPrintable.DecodeToStream(input, out);
  EXPECT_LE(out.Size(), static_cast<int64_t>(input.size() + 2));
  try {
    DecodeHeaderWords(input);
  } catch (const EConvertError&) {
  }
  JisToShiftJis(input);
  try {
    TEMailAddressItem item;
    item.SetText(input);
    item.Text();
  } catch (const EEmailParseError&) {
  }
  try {
    TEMailAddressList list;
    list.ParseAddresses(input);
    for (int i = 0; i < list.Count(); ++i) list[i].Text();
  } catch (const EEmailParseError&) {
  }
}

TEST(DecoderFuzz, RandomBytesDoNotCrash) {
  Garbage garbage(20240601);
  for (int i = 0; i < Rounds; ++i) Exercise(garbage.RandomBytes());
}

TEST(DecoderFuzz, MutatedValidLinesDoNotCrash) {
  Garbage garbage(7);
  for (int i = 0; i < Rounds; ++i) Exercise(garbage.Mutate(Seeds()[garbage.Below(Seeds().size())]));
}

}  // namespace
}  // namespace qp::message
