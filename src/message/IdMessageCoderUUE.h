// Reception of uuencoded and xxencoded blocks embedded in plain article text.
#pragma once

#include "message/IdMessageCoder.h"

namespace qp {

// Reads one "begin" block up to its "end" line. The block's first data line tells the two
// encodings apart by its length character. Created by TIdMessageDecoderInfoUUE.
class TIdMessageDecoderUUE : public TIdMessageDecoder {
 public:
  using TIdMessageDecoder::TIdMessageDecoder;
  // A block has no header; kind and file name come from its "begin" line.
  void ReadPartHeader() override {}
  // Throws EIdException "Unrecognized UUE encoding scheme." when the first data line starts
  // with neither "M" nor "h". A "." line before "end" ends the article (messageEnd set) and
  // keeps what was decoded so far.
  std::unique_ptr<TIdMessageDecoder> ReadPartBody(TStream& dest, bool& messageEnd) override;
};

// Claims a line "begin NNN name": "begin " in any case, a positive three-digit mode and a
// blank; the file name is the rest of the line, untrimmed.
class TIdMessageDecoderInfoUUE : public TIdMessageDecoderInfo {
 public:
  std::unique_ptr<TIdMessageDecoder> DetectStart(TIdMessage& message,
                                                 const std::string& line) const override;
};

}  // namespace qp
