#include <gtest/gtest.h>

#include <string>

#include "base/Exception.h"
#include "message/CoderHeader.h"

namespace qp::message {
namespace {

// "日本" in ISO-2022-JP and in Shift_JIS.
const std::string Jis = "\x1b$BF|K\\\x1b(B";
const std::string ShiftJis = "\x93\xfa\x96{";

TEST(HeaderWords, DecodesEncodedWords) {
  struct Row {
    const char* name;
    std::string text, decoded;
  };
  const Row rows[] = {
      {"plain text", "Hello there", "Hello there"},
      {"Q word", "=?ISO-8859-1?Q?caf=E9?=", "caf\xe9"},
      {"B word", "=?ISO-8859-1?B?QUJD?=", "ABC"},
      {"B word with pad", "=?iso-8859-1?b?QQ==?=", "A"},
      {"other character set stays", "=?UTF-8?B?QUJD?=", "=?UTF-8?B?QUJD?="},
      {"text around the word kept", "Re: =?ISO-8859-1?Q?caf=E9?= ok", "Re: caf\xe9 ok"},
      {"blank between two words kept", "=?ISO-8859-1?Q?a?= =?ISO-8859-1?B?Yg==?=", "a b"},
      {"adjacent words", "=?ISO-8859-1?Q?a?==?ISO-8859-1?Q?b?=", "ab"},
      {"word without closing", "=?ISO-8859-1?Q?abc", "=?ISO-8859-1?Q?abc"},
      {"word without encoding", "=?ISO-8859-1", "=?ISO-8859-1"},
      {"underscore and escaped equals", "=?iso-8859-15?q?a_b=3Dc?=", "a b=c"},
      {"equals with one character left", "=?ISO-8859-1?Q?a=4?=", "a=4"},
      {"empty Q word", "x=?ISO-8859-1?Q?\?=y", "xy"},
      {"empty B word", "x=?ISO-8859-1?B?\?=y", "xy"},
      {"ISO-2022-JP word comes back in Shift_JIS", "=?ISO-2022-JP?B?GyRCRnxLXBsoQg==?=", ShiftJis},
      {"NUL bytes removed", std::string("a\0b", 3), "ab"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(DecodeHeaderWords(r.text), r.decoded);
  }
}

TEST(HeaderWords, BadQHexPairFailsWithConversionError) {
  struct Row {
    const char* name;
    std::string text, message;
  };
  const Row rows[] = {
      {"letters", "=?ISO-8859-1?Q?=ZZ?=", "'$ZZ' is not a valid integer value"},
      {"one good digit", "=?ISO-8859-1?Q?ab=4x?=", "'$4x' is not a valid integer value"},
      {"sign", "=?ISO-8859-1?Q?=-1?=", "'$-1' is not a valid integer value"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    try {
      DecodeHeaderWords(r.text);
      ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), r.message);
    }
  }
}

TEST(JisToShiftJis, ConvertsTwoByteRuns) {
  struct Row {
    const char* name;
    std::string jis, sjis;
  };
  const Row rows[] = {
      {"two characters", Jis, ShiftJis},
      {"text around the run", "a" + Jis + "b", "a" + ShiftJis + "b"},
      {"odd row, high cell", "\x1b$B\x25\x60\x1b(B", "\x83\x80"},
      {"row above 0x5E", "\x1b$B\x60\x21", "\xe0\x9f"},
      {"other escape consumed", "\x1b(Jab\x1b$@cd", "abcd"},
      {"lone escape at the end", "ab\x1b", "ab"},
      {"escape with one byte after it", "ab\x1b$", "ab$"},
      {"odd byte in two-byte mode dropped", "\x1b$BF|K", ShiftJis.substr(0, 2)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(JisToShiftJis(r.jis), r.sjis);
  }
}

}  // namespace
}  // namespace qp::message
