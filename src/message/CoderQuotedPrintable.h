// Quoted-printable line decoder for MIME parts (RFC 2045, section 6.7).
#pragma once

#include "message/Coder3to4.h"

namespace qp::message {

// Decodes quoted-printable lines. Owned by the reception of one part; message-loop thread
// only.
class TDecoderQuotedPrintable : public TDecoder {
 public:
  // Appends the decoded line to dest: trailing blanks and control characters are dropped
  // (RFC 2045 rule 3), "=XY" becomes the byte XY, and CR LF ends the line unless it ends
  // with "=" (a soft line break). Lenient where senders are sloppy: lower-case digits and a
  // single digit ("=4" followed by a non-digit) are accepted, and an "=" followed by no
  // digit is dropped. Never fails.
  void DecodeToStream(const std::string& text, TStream& dest) override;
};

}  // namespace qp::message
