// The connection class that reads one article off its own connection into a TMessage, and
// keeps the session in step around the data blocks of multi-line replies.
#pragma once

#include <exception>
#include <string>

#include "message/Message.h"
#include "message/MessageCoder.h"
#include "net/TCPClient.h"

namespace qp::nntp {

// A TCP client with article reception: the NNTP client derives from it. Owned by the main
// window and used on the UI thread, blocking on the connection for each line.
class TMessageClient : public net::TTCPClient {
 public:
  // Most bytes read and dropped to find the end of a data block after a failure; beyond it
  // the connection is dropped instead.
  static constexpr std::size_t MaxSkippedBytes = message::MaxTextBytes;

  // The reception of message::TMessageReader over this connection: the header up to the
  // line terminator (false when a "." line ended it), then the body up to terminator.
  // Lines are read with ReadDataLine; a body that is not decoded is taken with Capture.
  bool ReadMessageHeader(message::TMessage& message, const std::string& terminator);
  void ReadMessageBody(message::TMessage& message, const std::string& terminator);

  // The next line of an article's data block, ended by LF (a CR before it dropped), as
  // ReadLn gives it, with one exception: a "." line ended by CR LF right after a line ended
  // by a bare LF is the tail of one CR LF line that holds a bare LF, not the end of the
  // block, so it comes back as ".." (read as "." once un-stuffed). An article can thus not
  // end itself early and have its remaining lines read as replies. Servers that end every
  // line with a bare LF are read as before.
  std::string ReadDataLine();

  // True between the reply line of a multi-line reply and the "." line that ends its data
  // block (RFC 3977 section 3.1.1).
  bool ReplyDataOpen() const { return FReplyDataOpen; }

 protected:
  // Reads a data block whose reply line has just been read: read() consumes it, through
  // ReadMessageHeader / ReadMessageBody or a capture up to "." (with capture set, a normal
  // return of read() means the "." line was read, and lines end at CR LF as in Capture).
  // Whatever read() raises, the next command reads its own reply: after a failure of the connection
  // itself (closed, time-out, socket error, a line or reply beyond the limits) the connection is
  // dropped; after any other failure the rest of the block is read and dropped (SkipReplyData).
  // Lines read() left unread before the "." line are skipped the same way. read()'s exception
  // passes out.
  template <typename Read>
  void ReadReplyData(Read&& read, bool capture);
  // Reads and drops lines up to the "." line that ends the open data block, at most
  // MaxSkippedBytes of them; when that fails the connection is dropped. Never raises.
  void SkipReplyData() noexcept;
  // Drops the connection after a failure that left the session out of step (the rest of a
  // reply or data block still on its way). Never raises.
  void DropOutOfStep() noexcept;
  // A new connection starts with no data block open.
  void ResetConnection() override;

 private:
  void AbandonReplyData(const std::exception_ptr& failure) noexcept;

  bool FReplyDataOpen = false;
  // The open block's lines end at CR LF (a listing read with Capture), not at LF.
  bool FReplyDataByCrLf = false;
  // The line ReadDataLine read last ended with CR LF (the reply line counts as one).
  bool FLastLineCrLf = true;
};

template <typename Read>
void TMessageClient::ReadReplyData(Read&& read, bool capture) {
  FReplyDataOpen = true;
  FReplyDataByCrLf = capture;
  FLastLineCrLf = true;
  try {
    read();
  } catch (...) {
    AbandonReplyData(std::current_exception());
    throw;
  }
  if (capture) FReplyDataOpen = false;
  if (FReplyDataOpen) SkipReplyData();
}

}  // namespace qp::nntp
