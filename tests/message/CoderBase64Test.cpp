#include <gtest/gtest.h>

#include <string>

#include "base/Exception.h"
#include "base/Streams.h"
#include "message/CoderMIME.h"

namespace qp::message {
namespace {

std::string DecodeLine(const std::string& line) {
  TDecoderMIME decoder;
  TMemoryStream out;
  decoder.DecodeToStream(line, out);
  return out.DataString();
}

std::string Repeat(const std::string& s, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += s;
  return out;
}

TEST(CoderBase64, DecodesLines) {
  struct Row {
    const char* name;
    std::string line, bytes;
  };
  const Row rows[] = {
      {"one byte", "QQ==", "A"},
      {"two bytes", "QUI=", "AB"},
      {"three bytes", "QUJD", "ABC"},
      {"empty line", "", ""},
      {"double pad ends the line", "QQ==QUJD", "A"},
      {"pad in third place ends the line", "QQ=AQUJD", "A"},
      {"single pad mid-line goes on", "QUI=QUJD", "ABABC"},
      {"full 76-character line", Repeat("QUJD", 19), Repeat("ABC", 19)},
      {"binary bytes", "AP8A/w==", std::string("\x00\xff\x00\xff", 4)},
      // A blank is not skipped: its table value 255 spills into the neighbouring bytes.
      {"blank decoded by the group rule", "QU I", "\x41\x7f\xc8"},
      {"line longer than the local buffer", Repeat("QUJD", 2000), Repeat("ABC", 2000)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(DecodeLine(r.line), r.bytes);
  }
}

TEST(CoderBase64, UnevenLineFailsAndWritesNothingOfIt) {
  TDecoderMIME decoder;
  TMemoryStream out;
  decoder.DecodeToStream("QUJD", out);
  for (const std::string& line : {std::string(61, 'Q'), std::string("QUJ"), std::string("Q")}) {
    SCOPED_TRACE(line.size());
    try {
      decoder.DecodeToStream(line, out);
      ADD_FAILURE() << "no exception";
    } catch (const ENetException& e) {
      EXPECT_EQ(e.Message(), "Uneven size in DecodeToStream.");
    }
    EXPECT_EQ(out.DataString(), "ABC");
  }
}

TEST(CoderBase64, LinesAppendAtTheStreamPosition) {
  TDecoderMIME decoder;
  TMemoryStream out;
  for (const char* line : {"SGVs", "bG8s", "IHdv", "cmxk", "IQ=="})
    decoder.DecodeToStream(line, out);
  EXPECT_EQ(out.DataString(), "Hello, world!");
}

}  // namespace
}  // namespace qp::message
