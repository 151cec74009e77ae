// Reception of uuencoded and xxencoded blocks embedded in plain article text.
#pragma once

#include "message/MessageCoder.h"

namespace qp::message {

// Reads one "begin" block up to its "end" line. The block's first data line tells the two
// encodings apart by its length character. Created by TMessageDecoderInfoUUE.
class TMessageDecoderUUE : public TMessageDecoder {
 public:
  using TMessageDecoder::TMessageDecoder;
  // A block has no header; kind and file name come from its "begin" line.
  void ReadPartHeader() override {}
  // A first data line that starts with neither "M" nor "h" sets Damage "Unrecognized UUE
  // encoding scheme." and the block is read to its "end" line without decoding. A "." line
  // before "end" ends the article (messageEnd set) and keeps what was decoded so far.
  std::unique_ptr<TMessageDecoder> ReadPartBody(TStream& dest, bool& messageEnd) override;
};

// Claims a line "begin NNN name": "begin " in any case, a positive three-digit mode and a
// blank; the file name is the rest of the line, untrimmed.
class TMessageDecoderInfoUUE : public TMessageDecoderInfo {
 public:
  std::unique_ptr<TMessageDecoder> DetectStart(TMessage& message,
                                               const std::string& line) const override;
};

}  // namespace qp::message
