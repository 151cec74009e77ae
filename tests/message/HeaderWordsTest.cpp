#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

#include "base/Exception.h"
#include "base/SysUtils.h"
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

// The decoding rule written out literally: search "=?ISO" in the upper-cased text, cut the
// word at its question marks, splice the decoded text in and search again one character
// after the word's start; NUL bytes go at the very end. Quadratic, but the plain statement
// of what the one-pass decoder must give.
std::string ReferenceDecode(const std::string& text) {
  static const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string result = text;
  std::size_t start = Pos("=?ISO", UpperCase(result));
  while (start > 0) {
    const std::string upper = UpperCase(result);
    const std::size_t q1 = Pos("?", upper, start + 5);
    const std::size_t q2 = q1 > 0 ? Pos("?", upper, q1 + 1) : 0;
    const std::size_t e = q2 > 0 ? Pos("?=", upper, q2 + 1) : 0;
    if (e > 0) {
      const std::string charset = result.substr(start + 1, q1 - start - 2);
      std::string decoded;
      if (result[q1] == 'Q' || result[q1] == 'q') {
        const std::string data = result.substr(q2, e - q2 - 1);
        for (std::size_t i = 0; i < data.size(); ++i) {
          if (data[i] == '_') {
            decoded += ' ';
          } else if (data[i] == '=' && i + 2 < data.size()) {
            const int high = HexDigitValue(data[i + 1]), low = HexDigitValue(data[i + 2]);
            if (high < 0 || low < 0)
              throw EConvertError("'$" + data.substr(i + 1, 2) + "' is not a valid integer value");
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
          } else {
            decoded += data[i];
          }
        }
      } else {
        const std::string data = result.substr(q2, e + 1 - q2);
        for (std::size_t i = 0; i + 4 <= data.size(); i += 4) {
          uint32_t w = 0;
          for (int k = 0; k < 4; ++k) {
            const std::size_t v = alphabet.find(data[i + k]);
            w = w << 6 | (v == std::string::npos ? 0 : static_cast<uint32_t>(v));
          }
          decoded += {static_cast<char>(w >> 16), static_cast<char>(w >> 8), static_cast<char>(w)};
        }
      }
      if (SameText(charset, "ISO-2022-JP")) decoded = JisToShiftJis(decoded);
      result = result.substr(0, start - 1) + decoded + result.substr(e + 1);
    }
    start = Pos("=?ISO", UpperCase(result), start + 1);
  }
  std::erase(result, '\0');
  return result;
}

TEST(HeaderWords, OnePassGivesTheResultsOfTheRescanningRule) {
  const char* const pieces[] = {"=?ISO-8859-1?Q?",
                                "=?iso-8859-15?q?",
                                "=?ISO-8859-1?B?",
                                "=?ISO-2022-JP?B?",
                                "=?UTF-8?Q?",
                                "=?ISO?",
                                "?=",
                                "?",
                                "=",
                                "=3D",
                                "=3F",
                                "_",
                                "a",
                                " ",
                                "QUJD",
                                "PT9J",
                                "U08/UT9",
                                "x=?iso"};
  std::mt19937 rng(11);
  for (int i = 0; i < 4000; ++i) {
    std::string text;
    const int count = std::uniform_int_distribution<int>(1, 14)(rng);
    for (int k = 0; k < count; ++k) text += pieces[rng() % std::size(pieces)];
    SCOPED_TRACE(text);
    std::string expected, actual;
    std::string expectedError, actualError;
    try {
      expected = ReferenceDecode(text);
    } catch (const EConvertError& e) {
      expectedError = e.Message();
    }
    try {
      actual = DecodeHeaderWords(text);
    } catch (const EConvertError& e) {
      actualError = e.Message();
    }
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(actualError, expectedError);
    if (HasFailure()) break;
  }
}

TEST(HeaderWords, DecodedTextThatSpellsAWordIsDecodedAgain) {
  // "=3D" decodes to "=", so the first word's text, followed by what comes after the word,
  // spells a second encoded word.
  EXPECT_EQ(DecodeHeaderWords("=?ISO-8859-1?Q?x=3D?ISO-8859-1?Q?y?=?=z"), "xyz");
  EXPECT_EQ(DecodeHeaderWords("=?ISO-8859-1?Q?x=3D=3FISO-8859-1=3FQ=3Fy=3F=3D?="), "xy");
}

// Two megabytes of header value: the decoder must stay linear in the length of the value,
// for closed and for unclosed words alike (it runs on the window's thread).
TEST(HeaderWords, LongValuesDecodeInLinearTime) {
  struct Row {
    const char* name;
    std::string word;
    std::string decodedWord;
  };
  const Row rows[] = {
      {"100,000 closed words", "=?ISO-8859-1?Q?abc=E9?= ", "abc\xe9 "},
      {"100,000 unclosed words", "=?ISO-8859-1?Q?abc=E9__ ", "=?ISO-8859-1?Q?abc=E9__ "},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::string value, expected;
    while (value.size() < 2 * 1000 * 1000) {
      value += r.word;
      expected += r.decodedWord;
    }
    ASSERT_GE(value.size() / r.word.size(), 80000u);
    const auto started = std::chrono::steady_clock::now();
    const std::string decoded = DecodeHeaderWords(value);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(decoded, expected);
    EXPECT_LT(seconds, 1.0);
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
