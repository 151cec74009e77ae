// Uuencode line decoding for "begin" blocks found in plain article text.
#pragma once

#include "message/Coder3to4.h"

namespace qp::message {

// The line rule shared by uuencode and xxencode: a length character giving the line's byte
// count (0 to 63), then groups of four characters. Lines are independent; message-loop
// thread only, owned by the reception that found the block.
class TDecoderUUEBase : public TDecoder4to3 {
 public:
  // Appends the line's bytes to dest. An empty line writes nothing; a line whose length
  // character is outside the alphabet is not an encoded line and is skipped. Characters
  // missing from a short line count as 0 (as a uuencode blank would); characters after the
  // ones the count needs are ignored. Never fails.
  void DecodeToStream(const std::string& text, TStream& dest) override;

 protected:
  explicit TDecoderUUEBase(const TDecodeTable& table) : TDecoder4to3(table, -1) {}
};

// Uuencode: value k is the character with code 32 + k, the grave accent standing for 0.
// Blanks are read as grave accents, since many encoders (and mail gateways that strip
// trailing characters) write them for 0.
class TDecoderUUE : public TDecoderUUEBase {
 public:
  TDecoderUUE();
};

}  // namespace qp::message
