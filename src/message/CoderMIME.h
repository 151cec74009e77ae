// Base64 line decoder for MIME parts (RFC 2045, section 6.8).
#pragma once

#include "message/Coder3to4.h"

namespace qp::message {

// Decodes base64 lines. Owned by the reception of one part (or by whoever decodes a header
// value); message-loop thread only.
class TDecoderMIME : public TDecoder4to3 {
 public:
  TDecoderMIME();
  // Appends the bytes of one base64 line to dest. Departures from RFC 2045, kept because
  // senders rely on them: characters outside the alphabet are decoded by the group rule
  // instead of being skipped, and decoding ends at the first group with two pad characters.
  // Throws ENetException "Uneven size in DecodeToStream." when the length is not a multiple
  // of four; nothing of that line is written then.
  void DecodeToStream(const std::string& text, TStream& dest) override;
};

}  // namespace qp::message
