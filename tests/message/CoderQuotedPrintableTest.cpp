#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Streams.h"
#include "message/CoderQuotedPrintable.h"

namespace qp::message {
namespace {

std::string DecodeLines(const std::vector<std::string>& lines) {
  TDecoderQuotedPrintable decoder;
  TMemoryStream out;
  for (const std::string& line : lines) decoder.DecodeToStream(line, out);
  return out.DataString();
}

TEST(CoderQuotedPrintable, DecodesLines) {
  struct Row {
    const char* name;
    std::vector<std::string> lines;
    std::string bytes;
  };
  const Row rows[] = {
      {"escaped equals sign", {"a=3Db"}, "a=b\r\n"},
      {"soft line break", {"soft="}, "soft"},
      {"soft break joins the next line", {"soft=", "next"}, "softnext\r\n"},
      {"lower-case digits", {"=3d"}, "=\r\n"},
      {"empty line", {""}, "\r\n"},
      {"trailing blanks dropped", {"trail  \t "}, "trail\r\n"},
      {"blanks before a soft break dropped", {"ab=3D=  "}, "ab="},
      {"single digit at the end", {"x=4"}, "x\x04\r\n"},
      {"single digit before a non-digit", {"x=4G"}, "x\x04G\r\n"},
      {"no digit drops the equals sign", {"x=G1"}, "xG1\r\n"},
      {"equals sign before an escape", {"a==3D"}, "a=\r\n"},
      {"equals sign alone", {"="}, ""},
      {"high byte", {"caf=E9"}, "caf\xe9\r\n"},
      {"only two digits taken", {"=414"}, "A4\r\n"},
      {"plain text untouched", {"Hello, world"}, "Hello, world\r\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(DecodeLines(r.lines), r.bytes);
  }
}

TEST(CoderQuotedPrintable, LongLineCrossesTheLocalBuffer) {
  std::string line;
  std::string expected;
  for (int i = 0; i < 3000; ++i) {
    line += "x=3D";
    expected += "x=";
  }
  EXPECT_EQ(DecodeLines({line}), expected + "\r\n");
}

}  // namespace
}  // namespace qp::message
