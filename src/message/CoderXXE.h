// Xxencode line decoding for "begin" blocks found in plain article text.
#pragma once

#include "message/CoderUUE.h"

namespace qp::message {

// Xxencode: the uuencode line rule over the alphabet "+-0-9A-Za-z" ("+" is 0, a full line
// of 45 bytes starts with "h"). Unlike uuencode, a blank is not a character of the encoding.
// Owned by the reception that found the block; message-loop thread only.
class TDecoderXXE : public TDecoderUUEBase {
 public:
  TDecoderXXE();
};

}  // namespace qp::message
