#include <gtest/gtest.h>

#include <string>

#include "ReceptionSupport.h"
#include "message/DisplayText.h"
#include "message/Message.h"
#include "message/MessageParts.h"
#include "support/MessageFixtures.h"

namespace qp::message {
namespace {

using test::Crlf;
using test::TextAt;

// The texts the rows expect, in UTF-8.
const std::string kCafe = "Caf\xc3\xa9";
const std::string kEuro = "5 \xe2\x82\xac";
const std::string kQuotedHi = "\xe2\x80\x9cHi\xe2\x80\x9d";
const std::string kPrivet = "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82";
const std::string kKonnichiwa = "\xe3\x81\x93\xe3\x82\x93\xe3\x81\xab\xe3\x81\xa1\xe3\x81\xaf";

struct Row {
  const char* name;
  std::string value, shown;
};

void Check(const Row* begin, const Row* end) {
  for (const Row* r = begin; r != end; ++r) {
    SCOPED_TRACE(r->name);
    EXPECT_EQ(DecodeHeaderText(r->value), r->shown);
  }
}

TEST(DecodeHeaderText, QAndBWordsInEveryCharset) {
  const Row rows[] = {
      {"UTF-8 Q", "=?UTF-8?Q?Caf=C3=A9?=", kCafe},
      {"UTF-8 B", "=?UTF-8?B?Q2Fmw6k=?=", kCafe},
      {"ISO-8859-1 Q", "=?ISO-8859-1?Q?Caf=E9_cr=E8me_br=FBl=E9e?=",
       kCafe + " cr\xc3\xa8me br\xc3\xbbl\xc3\xa9"
               "e"},
      {"ISO-8859-1 B", "=?ISO-8859-1?B?Q2Fm6Q==?=", kCafe},
      {"ISO-8859-15 Q", "=?ISO-8859-15?Q?5_=A4?=", kEuro},
      {"ISO-8859-15 B", "=?ISO-8859-15?B?NSCk?=", kEuro},
      {"windows-1252 Q", "=?windows-1252?Q?=93Hi=94?=", kQuotedHi},
      {"windows-1252 B", "=?windows-1252?B?k0hplA==?=", kQuotedHi},
      {"KOI8-R Q", "=?KOI8-R?Q?=F0=D2=C9=D7=C5=D4?=", kPrivet},
      {"KOI8-R B", "=?KOI8-R?B?8NLJ18XU?=", kPrivet},
      {"ISO-2022-JP Q", "=?ISO-2022-JP?Q?=1B$B$3$s$K$A$O=1B(B?=", kKonnichiwa},
      {"ISO-2022-JP B", "=?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=", kKonnichiwa},
      {"lower-case charset and letters", "=?utf-8?q?caf=c3=a9?=", "caf\xc3\xa9"},
      {"alias latin1", "=?latin1?Q?Caf=E9?=", kCafe},
      {"alias utf8", "=?utf8?b?Q2Fmw6k=?=", kCafe},
      {"base64 without padding", "=?UTF-8?B?Q2Fmw6k?=", kCafe},
      {"language suffix", "=?ISO-8859-1*fr?Q?Caf=E9?=", kCafe},
      {"empty text",
       "=?UTF-8?Q?"
       "?=",
       ""},
      {"blanks inside a Q word", "=?ISO-8859-1?Q?Caf=E9 au lait?=", kCafe + " au lait"},
      {"bytes invalid in the charset", "=?UTF-8?Q?Caf=E9?=", kCafe},
      {"sender", "=?UTF-8?Q?J=C3=B6rg?= <joerg@example.org>", "J\xc3\xb6rg <joerg@example.org>"},
  };
  Check(std::begin(rows), std::end(rows));
}

TEST(DecodeHeaderText, AdjacentWordsJoinWithoutTheBlanks) {
  const Row rows[] = {
      {"two words, one blank", "=?UTF-8?Q?a?= =?UTF-8?Q?b?=", "ab"},
      {"blanks and a TAB", "=?UTF-8?Q?a?= \t =?UTF-8?Q?b?=", "ab"},
      {"different charsets", "=?UTF-8?Q?a?= =?ISO-8859-1?Q?=E9?=", "a\xc3\xa9"},
      {"encoded blank stays", "=?UTF-8?Q?a_?= =?UTF-8?Q?b?=", "a b"},
      {"a character split across words", "=?UTF-8?Q?=C3?= =?UTF-8?Q?=A9?=", "\xc3\xa9"},
      {"word then text keeps the blank", "=?UTF-8?Q?a?= b", "a b"},
      {"text then word keeps the blank", "Re: =?UTF-8?Q?b?=", "Re: b"},
      {"text between words", "=?UTF-8?Q?a?= - =?UTF-8?Q?b?=", "a - b"},
      {"blanks after the last word", "=?UTF-8?Q?a?=  ", "a  "},
      {"word inside text", "x=?UTF-8?Q?a?=y", "xay"},
      {"8-bit text beside a word", "Caf\xe9 =?UTF-8?Q?cr=C3=A8me?=", kCafe + " cr\xc3\xa8me"},
      {"plain UTF-8 text", kCafe, kCafe},
  };
  Check(std::begin(rows), std::end(rows));
}

TEST(DecodeHeaderText, MalformedWordsAreShownAsSent) {
  const Row rows[] = {
      {"Q word with =ZZ", "=?UTF-8?Q?=ZZ?=", "=?UTF-8?Q?=ZZ?="},
      {"Q word ending in =", "=?UTF-8?Q?a=?=", "=?UTF-8?Q?a=?="},
      {"B word outside the alphabet", "=?UTF-8?B?Q2F*?=", "=?UTF-8?B?Q2F*?="},
      {"B word of impossible length", "=?UTF-8?B?Q2Fmw?=", "=?UTF-8?B?Q2Fmw?="},
      {"unknown charset", "=?x-unknown?Q?caf=E9?=", "=?x-unknown?Q?caf=E9?="},
      {"unknown encoding", "=?UTF-8?X?abc?=", "=?UTF-8?X?abc?="},
      {"no closing", "=?UTF-8?Q?caf=C3=A9", "=?UTF-8?Q?caf=C3=A9"},
      {"no charset", "=??Q?a?=", "=??Q?a?="},
      {"malformed beside a good word", "=?UTF-8?Q?=ZZ?= =?UTF-8?Q?ok?=", "=?UTF-8?Q?=ZZ?= ok"},
      {"8-bit bytes in a malformed word", "=?x-unknown?Q?\xe9?=", "=?x-unknown?Q?\xc3\xa9?="},
  };
  Check(std::begin(rows), std::end(rows));
}

TEST(HeaderTextAsSent, TrueExactlyWhenDecodingChangesNothing) {
  struct AsSentRow {
    const char* name;
    std::string value;
    bool asSent;
  };
  const AsSentRow rows[] = {
      {"short ASCII", "Hi", true},
      {"long ASCII", "Re: a subject of some length, as most are", true},
      {"equals sign without a word", "Re: a = b and c == d in the long tail", true},
      {"encoded word late", "Re: a subject of some length =?UTF-8?Q?x?=", false},
      {"encoded word first", "=?UTF-8?Q?x?= and a long tail after it", false},
      {"UTF-8 late", "Re: a subject of some length " + kCafe, true},
      {"Latin-1 late", "Re: a subject of some length Caf\xe9", false},
      {"Latin-1 in the first eight", "Caf\xe9 and a long tail", false},
      {"empty", "", true},
  };
  for (const AsSentRow& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(HeaderTextAsSent(r.value), r.asSent);
    EXPECT_EQ(DecodeHeaderText(r.value) == r.value, r.asSent);
  }
}

TEST(HeaderLinesToUtf8, OneDecodedLinePerField) {
  THeaderList headers;
  for (const char* line : {"Subject: =?UTF-8?Q?a?=", "\t=?UTF-8?Q?b?= c", "From: Caf\xe9 <c@d>",
                           "X-Empty:", "no field", "Lower-case: =?iso-8859-1?q?=E9?="})
    headers.Add(line);
  EXPECT_EQ(HeaderLinesToUtf8(headers),
            (TStringList{"Subject: ab c", "From: " + kCafe + " <c@d>", "X-Empty:", "no field",
                         "Lower-case: \xc3\xa9"}));
}

TEST(MimeParameter, FindsTheNamedParameter) {
  struct ParameterRow {
    const char* name;
    std::string value, parameter;
  };
  const ParameterRow rows[] = {
      {"token", "text/plain; charset=utf-8", "utf-8"},
      {"quoted, any case", "text/plain; CHARSET=\"ISO-8859-1\"", "ISO-8859-1"},
      {"after another", "text/plain; format=flowed; charset=koi8-r", "koi8-r"},
      {"blanks around =", "text/plain; charset = utf-8 ", "utf-8"},
      {"comment after the token", "text/plain; charset=utf-8 (Unicode)", "utf-8"},
      {"semicolon inside quotes", "text/plain; name=\"a;charset=x\"; charset=y", "y"},
      {"backslash in quotes", "text/plain; charset=\"a\\\"b\"", "a\"b"},
      {"other name ending alike", "text/plain; xcharset=a", ""},
      {"none", "text/plain", ""},
      {"attribute without value", "text/plain; charset", ""},
  };
  for (const ParameterRow& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(MimeParameter(r.value, "charset"), r.parameter);
  }
}

// Each text part is read in its own charset, else the message's; the lines outside parts
// in the message's.
TEST(TextCharset, PartsInDifferentCharsets) {
  TMessage message;
  test::MemoryArticle article(Crlf({"Content-Type: multipart/mixed; boundary=B",
                                    "",
                                    "pr\xe9"
                                    "ambule",
                                    "--B",
                                    "Content-Type: text/plain; charset=iso-8859-1",
                                    "Content-Transfer-Encoding: quoted-printable",
                                    "",
                                    "Caf=E9",
                                    "--B",
                                    "Content-Type: text/plain; charset=KOI8-R",
                                    "",
                                    "\xf0\xd2\xc9\xd7\xc5\xd4",
                                    "--B",
                                    "Content-Type: text/plain; charset=utf-8",
                                    "Content-Transfer-Encoding: base64",
                                    "",
                                    "Q2Fmw6k=",
                                    "--B",
                                    "Content-Type: text/plain",
                                    "",
                                    "Gr\xfc\xdf"
                                    "e",
                                    "--B--",
                                    "."}));
  article.Receive(message);
  ASSERT_EQ(message.MessageParts.Count(), 4);
  const std::string expected[] = {kCafe, kPrivet, kCafe,
                                  "Gr\xc3\xbc\xc3\x9f"
                                  "e"};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const TText& text = TextAt(message, i);
    EXPECT_EQ(LinesToUtf8(text.Lines, TextCharset(text, message)), TStringList{expected[i]});
  }
  EXPECT_EQ(LinesToUtf8(message.Body, MimeParameter(message.ContentType, "charset")),
            TStringList{"pr\xc3\xa9"
                        "ambule"});
}

TEST(TextCharset, SinglePartBodies) {
  struct BodyRow {
    const char* name;
    std::string contentType;
    TStringList body, shown;
  };
  const BodyRow rows[] = {
      {"ISO-8859-1 without a charset parameter",
       "text/plain",
       {"Gr\xfc\xdf"
        "e aus K\xf6ln",
        "", "\x93quoted\x94"},
       {"Gr\xc3\xbc\xc3\x9f"
        "e aus K\xc3\xb6ln",
        "", "\xe2\x80\x9cquoted\xe2\x80\x9d"}},
      {"UTF-8", "text/plain; charset=UTF-8", {kCafe, kPrivet}, {kCafe, kPrivet}},
      {"declared charset", "text/plain; charset=koi8-r", {"\xf0\xd2\xc9\xd7\xc5\xd4"}, {kPrivet}},
      {"last line empty", "text/plain", {"a", ""}, {"a", ""}},
      {"no lines", "text/plain", {}, {}},
  };
  for (const BodyRow& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(LinesToUtf8(r.body, MimeParameter(r.contentType, "charset")), r.shown);
  }
}

}  // namespace
}  // namespace qp::message
