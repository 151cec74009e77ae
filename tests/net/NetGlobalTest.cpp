#include <gtest/gtest.h>

#include <string>

#include "net/NetGlobal.h"

namespace qp::net {
namespace {

TEST(ParseDottedQuad, FourthPartEndsAtNextDotOrAtEnd) {
  struct Row {
    const char* text;
    bool atNextDot, atEnd;
  };
  const Row rows[] = {
      {"192.168.1.20", true, true}, {"0.0.0.0", true, true}, {"1.2.3.4.5", true, false},
      {"1.2.3.", false, false},     {"1.2.3", false, false}, {"256.1.1.1", false, false},
      {"1.2.x.4", false, false},    {"", false, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    uint8_t address[4];
    EXPECT_EQ(ParseDottedQuad(r.text, TQuadEnd::AtNextDot, address), r.atNextDot);
    EXPECT_EQ(ParseDottedQuad(r.text, TQuadEnd::AtEnd, address), r.atEnd);
  }
  uint8_t address[4];
  ASSERT_TRUE(ParseDottedQuad("192.168.1.20", TQuadEnd::AtEnd, address));
  EXPECT_EQ(address[0], 192);
  EXPECT_EQ(address[3], 20);
}

TEST(HostTests, DottedQuadHostNameAndFirstDot) {
  struct Row {
    const char* text;
    bool dottedQuad, hostName;
    const char* fromFirstDot;
  };
  const Row rows[] = {
      {"10.1.2.3", true, false, ".1.2.3"},
      {"1.2.3.4.5", true, false, ".2.3.4.5"},
      {" 1.2.3.4 ", true, false, ".2.3.4 "},
      {"256.1.1.1", false, true, ".1.1.1"},
      {"1.2.3", false, true, ".2.3"},
      {"1..3.4", false, true, "..3.4"},
      {"-1.2.3.4", false, true, ".2.3.4"},
      {".example", false, false, ".example"},
      {"news", false, true, "news"},
      {"news.example.com", false, true, ".example.com"},
      {"", false, true, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string("'") + r.text + "'");
    EXPECT_EQ(IsDottedQuad(r.text), r.dottedQuad);
    EXPECT_EQ(IsHostNameText(r.text), r.hostName);
    EXPECT_EQ(FromFirstDot(r.text), r.fromFirstDot);
  }
}

TEST(FindInMemory, FirstOccurrenceWithinLength) {
  struct Row {
    const char* name;
    std::string pattern, block;
    std::size_t length, position;
  };
  const Row rows[] = {
      {"line feed", "\n", "abc\n", 4, 4},
      {"false first byte", "\r\n", "a\rb\r\n", 5, 4},
      {"overlapping prefix", "aab", "aaab", 4, 2},
      {"at start", "ab", "abab", 4, 1},
      {"at very end", "xyz", "abxyz", 5, 3},
      {"whole block", "abc", "abc", 3, 1},
      {"beyond length", "d", "abcd", 3, 0},
      {"pattern longer", "abcd", "abc", 3, 0},
      {"empty block", "a", "", 0, 0},
      {"absent", "\r\n", "a\rb\nc", 5, 0},
      {"NUL bytes", std::string("\0\n", 2), std::string("x\0y\0\n", 5), 5, 4},
      {"empty pattern", "", "abc", 3, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(FindInMemory(r.pattern, r.block.data(), r.length), r.position);
  }
}

}  // namespace
}  // namespace qp::net
