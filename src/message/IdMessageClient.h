// The connection class that reads one article into a TIdMessage: header lines, then the body
// split into plain lines, text parts and attachments.
#pragma once

#include <memory>
#include <string>

#include "message/IdMessage.h"
#include "message/IdMessageCoder.h"
#include "nntp/IdTCPClient.h"

namespace qp {

// A TCP client with article reception. The NNTP client derives from it; it is owned by the
// main window and used on the UI thread, blocking on ReadLn for each line. Tests derive from
// it to feed lines from memory.
class TIdMessageClient : public TIdTCPClient {
 public:
  // Reads header lines into message.Headers up to the line terminator ("" for ARTICLE: the
  // empty line; "." for HEAD), then applies them. Returns false when a "." line ended the
  // header (the article has no body). Raises what the connection or ApplyHeaders raise.
  bool ReadMessageHeader(TIdMessage& message, const std::string& terminator);
  // Reads the body up to the line terminator, or up to the point where a part reader
  // consumed the article's "." line, into message.Body and message.MessageParts. Raises
  // EIdException "Unknown Message Part Type.", the decoders' failures, file errors and the
  // connection's failures; what was complete before a failure stays in the message.
  void ReadMessageBody(TIdMessage& message, const std::string& terminator);

 protected:
  // Read the part of decoder into a new TIdText / TIdAttachment of message, free decoder and
  // return the decoder of the part that follows directly (or null).
  std::unique_ptr<TIdMessageDecoder> StoreTextPart(std::unique_ptr<TIdMessageDecoder> decoder,
                                                   TIdMessage& message, bool& messageEnd);
  std::unique_ptr<TIdMessageDecoder> StoreAttachmentPart(std::unique_ptr<TIdMessageDecoder> decoder,
                                                         TIdMessage& message, bool& messageEnd);
};

}  // namespace qp
