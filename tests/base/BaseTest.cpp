#include <gtest/gtest.h>

#include "base/DateTime.h"
#include "base/Exception.h"
#include "base/Streams.h"
#include "base/StringList.h"
#include "base/SysUtils.h"

namespace qp {
namespace {

TEST(StringList, SetTextSplitsAtEveryLineEnd) {
  struct Row {
    const char* name;
    std::string text;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {"crlf", "a\r\nb\r\n", {"a", "b"}},
      {"lf and lone cr", "a\nb\rc", {"a", "b", "c"}},
      {"empty lines kept", "a\r\n\r\nb", {"a", "", "b"}},
      {"empty text", "", {}},
      {"only a line end", "\r\n", {""}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TStringList list;
    list.SetText(r.text);
    EXPECT_EQ(list.Lines(), r.lines);
  }
}

TEST(StringList, IndexOutOfBoundsThrows) {
  TStringList list{"a"};
  EXPECT_THROW(list[1], Exception);
  EXPECT_THROW(list.Delete(-1), Exception);
  list.Insert(1, "b");
  EXPECT_EQ(list.Text(), "a\r\nb\r\n");
}

TEST(SysUtils, StrToIntIsStrict) {
  EXPECT_EQ(StrToInt("42"), 42);
  EXPECT_EQ(StrToInt("-7"), -7);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_THROW(StrToInt("4x"), EConvertError);
  EXPECT_THROW(StrToInt(""), EConvertError);
  EXPECT_THROW(StrToInt64("99999999999999999999"), EConvertError);
  EXPECT_EQ(StrToIntDef("zz", 3), 3);
  try {
    StrToInt("$G1");
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'$G1' is not a valid integer value");
  }
}

TEST(SysUtils, TrimRemovesBlanksAndControls) {
  EXPECT_EQ(Trim(" \t\r\nab c\x01 "), "ab c");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a \r"), "  a");
  EXPECT_EQ(Pos("b", "abcb", 3), 4u);
  EXPECT_EQ(Pos("x", "abc"), 0u);
}

TEST(DateTime, EncodesAndDecodesAroundTheEpoch) {
  struct Row {
    int y, m, d;
    double value;
    int weekday;
  };
  const Row rows[] = {{1899, 12, 30, 0, 7},
                      {1900, 1, 1, 2, 2},
                      {2003, 1, 5, 37626, 1},
                      {2000, 2, 29, 36585, 3},
                      {1899, 12, 29, -1, 6}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.value);
    EXPECT_EQ(EncodeDate(r.y, r.m, r.d), r.value);
    int y, m, d;
    DecodeDate(r.value, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, r.y * 10000 + r.m * 100 + r.d);
    EXPECT_EQ(DayOfWeek(r.value), r.weekday);
  }
  EXPECT_THROW(EncodeDate(2003, 2, 31), EConvertError);
  EXPECT_EQ(DateTimeToIso(EncodeDate(2003, 1, 5) + EncodeTime(14, 3, 7, 0)), "2003-01-05T14:03:07");
}

TEST(Streams, MemoryStreamPositionsAndSizes) {
  TMemoryStream s;
  s.WriteString("hello");
  EXPECT_EQ(s.Position(), 5);
  s.SetPosition(1);
  char buf[3];
  EXPECT_EQ(s.Read(buf, 3), 3);
  EXPECT_EQ(std::string(buf, 3), "ell");
  s.SetSize(2);
  EXPECT_EQ(s.Position(), 2);
  EXPECT_EQ(s.DataString(), "he");
  s.SetPosition(4);
  s.WriteString("x");
  EXPECT_EQ(s.DataString(), std::string("he\0\0x", 5));
}

TEST(Streams, ReadLnFromStreamDropsLineEnds) {
  TMemoryStream s;
  s.WriteString("ab\r\ncd\nlast");
  s.SetPosition(0);
  EXPECT_EQ(ReadLnFromStream(s), "ab");
  EXPECT_EQ(ReadLnFromStream(s), "cd");
  EXPECT_EQ(ReadLnFromStream(s), "last");
  EXPECT_EQ(ReadLnFromStream(s), "");
}

TEST(Streams, FileStreamOpenFailureNamesTheFile) {
  try {
    TFileStream f("/nonexistent-dir/x", TFileMode::fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find("/nonexistent-dir/x"), std::string::npos);
  }
}

}  // namespace
}  // namespace qp
