// The connection class that reads one article off its own connection into a TMessage.
#pragma once

#include <string>

#include "message/Message.h"
#include "net/TCPClient.h"

namespace qp::nntp {

// A TCP client with article reception: the NNTP client derives from it. Owned by the main
// window and used on the UI thread, blocking on the connection for each line.
class TMessageClient : public net::TTCPClient {
 public:
  // The reception of message::TMessageReader over this connection: the header up to the
  // line terminator (false when a "." line ended it), then the body up to terminator.
  // Lines are read with ReadLn; a body that is not decoded is taken with Capture.
  bool ReadMessageHeader(message::TMessage& message, const std::string& terminator);
  void ReadMessageBody(message::TMessage& message, const std::string& terminator);
};

}  // namespace qp::nntp
