#include <gtest/gtest.h>

#include <string>

#include "base/Streams.h"
#include "message/CoderUUE.h"
#include "message/CoderXXE.h"

namespace qp::message {
namespace {

template <class Decoder>
std::string DecodeLine(const std::string& line) {
  Decoder decoder;
  TMemoryStream out;
  decoder.DecodeToStream(line, out);
  return out.DataString();
}

std::string Bytes0To44() {
  std::string s;
  for (int i = 0; i < 45; ++i) s += static_cast<char>(i);
  return s;
}

struct Row {
  const char* name;
  std::string line, bytes;
};

TEST(CoderUUE, DecodesLines) {
  const Row rows[] = {
      {"one byte", "!00``", "A"},
      {"two bytes", "\"04(`", "AB"},
      {"full 45-byte line", R"~(M``$"`P0%!@<("0H+#`T.#Q`1$A,4%187&!D:&QP='A\@(2(C)"4F)R@I*BLL)~",
       Bytes0To44()},
      {"blanks read as grave accents", "!00  ", "A"},
      {"blank length character", "   ", ""},
      {"zero-length line before end", "`", ""},
      {"empty line", "", ""},
      {"characters beyond the count ignored", "!00``garbage", "A"},
      {"missing characters count as 0", "#", std::string(3, '\0')},
      {"short full line", "M", std::string(45, '\0')},
      {"short line mid-group", "\"04", "A@"},
      {"length character outside the alphabet", "a00``", ""},
      {"high byte as length character",
       "\xff"
       "00``",
       ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(DecodeLine<TDecoderUUE>(r.line), r.bytes);
  }
}

TEST(CoderXXE, DecodesLines) {
  const Row rows[] = {
      {"one byte", "-EE++", "A"},
      {"five bytes", "3G4JgP4w+", "Hello"},
      {"zeros written with plus", "1++++", std::string(3, '\0')},
      // A blank is outside the xxencode alphabet, so it reads as 255 in the group rule.
      {"blanks are not zeros", "1    ", "\xff\xff\xff"},
      {"blank length character", "    ", ""},
      {"grave accent length character", "`++++", ""},
      {"missing characters count as 0", "1", std::string(3, '\0')},
      {"empty line", "", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(DecodeLine<TDecoderXXE>(r.line), r.bytes);
  }
}

TEST(CoderUUE, BlockDecodesLineByLine) {
  TDecoderUUE decoder;
  TMemoryStream out;
  for (const char* line : {"%2&5L;&\\`", "!+```", "`"}) decoder.DecodeToStream(line, out);
  EXPECT_EQ(out.DataString(), "Hello,");
}

}  // namespace
}  // namespace qp::message
