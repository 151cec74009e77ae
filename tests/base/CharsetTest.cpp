#include <gtest/gtest.h>

#include <string>

#include "base/Charset.h"

namespace qp {
namespace {

const std::string kGruesseUtf8 =
    "Gr\xc3\xbc\xc3\x9f"
    "e";
const std::string kGruesseLatin1 =
    "Gr\xfc\xdf"
    "e";

TEST(ToUtf8, ConvertsFromTheDeclaredCharset) {
  struct Row {
    const char* name;
    std::string bytes, charset, utf8;
  };
  const Row rows[] = {
      {"UTF-8 stays", kGruesseUtf8, "UTF-8", kGruesseUtf8},
      {"ISO-8859-1", kGruesseLatin1, "ISO-8859-1", kGruesseUtf8},
      {"ISO-8859-15 euro sign", "5 \xa4", "ISO-8859-15", "5 \xe2\x82\xac"},
      {"ISO-8859-1 has the currency sign there", "5 \xa4", "ISO-8859-1", "5 \xc2\xa4"},
      {"windows-1252 quotes and euro", "\x93quoted\x94 \x80", "windows-1252",
       "\xe2\x80\x9cquoted\xe2\x80\x9d \xe2\x82\xac"},
      {"ISO-8859-1 label with windows-1252 quotes", "\x93x\x94", "iso-8859-1",
       "\xe2\x80\x9cx\xe2\x80\x9d"},
      {"KOI8-R", "\xf0\xd2\xc9\xd7\xc5\xd4", "KOI8-R",
       "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82"},
      {"ISO-2022-JP", "\x1b$B$3$s$K$A$O\x1b(B!", "ISO-2022-JP",
       "\xe3\x81\x93\xe3\x82\x93\xe3\x81\xab\xe3\x81\xa1\xe3\x81\xaf!"},
      {"lower-case name", kGruesseLatin1, "iso-8859-1", kGruesseUtf8},
      {"alias latin1", kGruesseLatin1, "latin1", kGruesseUtf8},
      {"alias utf8", kGruesseUtf8, "utf8", kGruesseUtf8},
      {"alias known to iconv only", "\xa4", "latin9", "\xe2\x82\xac"},
      {"quoted name with blanks", kGruesseLatin1, " \"ISO-8859-1\" ", kGruesseUtf8},
      {"RFC 2231 language suffix", kGruesseLatin1, "iso-8859-1*de", kGruesseUtf8},
      {"windows-1252 undefined byte keeps its number", "a\x81", "windows-1252", "a\xc2\x81"},
      {"lines keep their breaks", "\xe9\n\xe8\r\n", "iso-8859-1", "\xc3\xa9\n\xc3\xa8\r\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ToUtf8(r.bytes, r.charset), r.utf8);
  }
}

TEST(ToUtf8, FallsBackToUtf8ElseWindows1252) {
  struct Row {
    const char* name;
    std::string bytes, charset, utf8;
  };
  const Row rows[] = {
      {"no charset, Latin-1 bytes",
       "Gr\xfc\xdf"
       "e aus K\xf6ln",
       "", kGruesseUtf8 + " aus K\xc3\xb6ln"},
      {"no charset, UTF-8 bytes", kGruesseUtf8, "", kGruesseUtf8},
      {"unknown charset, UTF-8 bytes", kGruesseUtf8, "x-unknown", kGruesseUtf8},
      {"unknown charset, 8-bit bytes", "\x93hi\x94", "x-unknown", "\xe2\x80\x9chi\xe2\x80\x9d"},
      {"declared UTF-8, Latin-1 bytes", kGruesseLatin1, "utf-8", kGruesseUtf8},
      {"declared US-ASCII, UTF-8 bytes", kGruesseUtf8, "us-ascii", kGruesseUtf8},
      {"declared US-ASCII, Latin-1 bytes", kGruesseLatin1, "US-ASCII", kGruesseUtf8},
      {"each line decides for itself", kGruesseUtf8 + "\n" + kGruesseLatin1, "",
       kGruesseUtf8 + "\n" + kGruesseUtf8},
      // The first line is good EUC-JP; the second ends inside a character.
      {"invalid bytes cost only their line", "\xa4\xb3\ncaf\xe9", "EUC-JP",
       "\xe3\x81\x93\ncaf\xc3\xa9"},
      {"iconv options are no part of a name", kGruesseLatin1, "utf-8//TRANSLIT", kGruesseUtf8},
      {"name with a path", kGruesseLatin1, "../../x", kGruesseUtf8},
      {"over-long name", kGruesseLatin1, std::string(100, 'a'), kGruesseUtf8},
      {"overlong UTF-8 form is not UTF-8", "\xc0\xaf", "", "\xc3\x80\xc2\xaf"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ToUtf8(r.bytes, r.charset), r.utf8);
  }
}

// Whatever the label, 8-bit text comes out as valid UTF-8 without replacement marks.
TEST(ToUtf8, EveryByteBecomesACharacter) {
  std::string all;
  for (int b = 1; b < 256; ++b) {
    all += static_cast<char>(b);
    if (b % 16 == 0) all += '\n';
  }
  for (const char* charset : {"", "utf-8", "us-ascii", "iso-8859-1", "windows-1252", "iso-8859-15",
                              "koi8-r", "iso-2022-jp", "shift_jis", "x-bogus"}) {
    SCOPED_TRACE(charset);
    const std::string out = ToUtf8(all, charset);
    EXPECT_TRUE(IsValidUtf8(out));
    EXPECT_EQ(out.find("\xef\xbf\xbd"), std::string::npos);
  }
}

TEST(IsKnownCharset, KnowsWhatIconvKnows) {
  struct Row {
    const char* name;
    bool known;
  };
  const Row rows[] = {
      {"UTF-8", true},  {"utf8", true},           {"LATIN1", true},        {"ISO-8859-15", true},
      {"koi8-r", true}, {"iso-2022-jp", true},    {"windows-1252", true},  {"x-unknown", false},
      {"", false},      {"utf-8//IGNORE", false}, {"unknown-8bit", false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(IsKnownCharset(r.name), r.known);
  }
}

TEST(IsValidUtf8, RejectsWhatRfc3629Forbids) {
  struct Row {
    const char* name;
    std::string text;
    bool valid;
  };
  const Row rows[] = {
      {"ASCII", "plain", true},
      {"two-byte", "\xc3\xa9", true},
      {"four-byte", "\xf0\x9f\x98\x80", true},
      {"highest code point", "\xf4\x8f\xbf\xbf", true},
      {"lone continuation byte", "\x80", false},
      {"overlong two-byte", "\xc1\xbf", false},
      {"overlong three-byte", "\xe0\x80\x80", false},
      {"surrogate", "\xed\xa0\x80", false},
      {"beyond U+10FFFF", "\xf4\x90\x80\x80", false},
      {"cut short", "ab\xe2\x82", false},
      {"Latin-1", "caf\xe9", false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(IsValidUtf8(r.text), r.valid);
  }
}

}  // namespace
}  // namespace qp
