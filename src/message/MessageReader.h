// Reads one article from a line source into a TMessage: header lines, then the body split into
// plain lines, text parts and attachments (RFC 2045, RFC 2046; uuencoded blocks in plain text).
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/Component.h"
#include "base/LineSource.h"
#include "message/Message.h"
#include "message/MessageCoder.h"

namespace qp::message {

// The reception of one article. Made for one retrieval by the NNTP client over its
// connection, or by tests and fuzzers over lines in memory; the source and the work component
// must outlive it. Runs on the caller's thread, blocking on the source for each line.
class TMessageReader {
 public:
  // Lines come from source; the read work brackets are opened on work (the client, whose
  // work events report the progress).
  TMessageReader(TLineSource& source, TComponent& work) : FSource(source), FWork(work) {}

  // Reads header lines into message.Headers up to the line terminator ("" for ARTICLE: the
  // empty line; "." for HEAD), then applies them. Returns false when a "." line ended the
  // header (the article has no body). Raises what the source raises, and ELimitExceeded for
  // a header beyond MaxHeaderLines or MaxHeaderBytes.
  bool ReadMessageHeader(TMessage& message, const std::string& terminator);
  // Reads the body up to the line terminator, or up to the point where a part reader
  // consumed the article's "." line, into message.Body and message.MessageParts. A part
  // whose content cannot be decoded is kept with what was decoded and noted in
  // message.DecodeFailures. Raises ELimitExceeded beyond MaxTextBytes of text or MaxParts
  // parts, file errors and the source's failures; what was complete before a failure stays
  // in the message.
  void ReadMessageBody(TMessage& message, const std::string& terminator);

 private:
  // Read the part of decoder into a new TText / TAttachment of message, free decoder and
  // return the decoder of the part that follows directly (or null).
  std::unique_ptr<TMessageDecoder> StoreTextPart(std::unique_ptr<TMessageDecoder> decoder,
                                                 TMessage& message, bool& messageEnd);
  std::unique_ptr<TMessageDecoder> StoreAttachmentPart(std::unique_ptr<TMessageDecoder> decoder,
                                                       TMessage& message, bool& messageEnd);

  // Appends part to message.MessageParts with the Content-Type and the Parent that decoder
  // found for it.
  template <class TPart>
  void AddPart(TMessage& message, std::unique_ptr<TPart> part, const TMessageDecoder& decoder);
  // Counts bytes of text about to be held against MaxTextBytes; throws ELimitExceeded.
  void HoldText(std::size_t bytes);
  // Notes a part that could not be decoded to its end in message.DecodeFailures.
  static void NoteDamage(TMessage& message, const TMessageDecoder& decoder);

  TLineSource& FSource;
  TComponent& FWork;
  // Text held by the message being read, as counted by HoldText.
  std::size_t FTextBytes = 0;
  // Each boundary put in force by a part's header, with that part's index in MessageParts.
  std::vector<std::pair<std::string, int>> FBoundaryOwners;
};

}  // namespace qp::message
