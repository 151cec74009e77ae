#include "nntp/MessageClient.h"

#include "message/MessageReader.h"

namespace qp::nntp {

namespace {

// The connection as a line source: lines come from ReadDataLine, and a raw capture splits
// at CR LF, as dot-terminated replies do. It notes when the "." line that ends the data
// block passes.
class TConnectionLineSource : public TLineSource {
 public:
  TConnectionLineSource(TMessageClient& client, bool& dataOpen)
      : FClient(client), FDataOpen(dataOpen) {}
  std::string ReadLn() override {
    std::string line = FClient.ReadDataLine();
    if (line == ".") FDataOpen = false;
    return line;
  }
  using TLineSource::Capture;
  void Capture(const TLineSink& sink, const std::string& terminator, bool unstuff) override {
    FClient.Capture(sink, terminator, unstuff);
    if (terminator == ".") FDataOpen = false;
  }

 private:
  TMessageClient& FClient;
  bool& FDataOpen;
};

// Failures of the connection itself: after them nothing more can be read in step.
bool IsConnectionFailure(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const EConnClosedGracefully&) {
    return true;
  } catch (const net::EReadTimeout&) {
    return true;
  } catch (const net::ESocketError&) {
    return true;
  } catch (const net::ETCPConnectionError&) {
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

bool TMessageClient::ReadMessageHeader(message::TMessage& message, const std::string& terminator) {
  TConnectionLineSource source(*this, FReplyDataOpen);
  return message::TMessageReader(source, *this).ReadMessageHeader(message, terminator);
}

void TMessageClient::ReadMessageBody(message::TMessage& message, const std::string& terminator) {
  TConnectionLineSource source(*this, FReplyDataOpen);
  message::TMessageReader(source, *this).ReadMessageBody(message, terminator);
}

std::string TMessageClient::ReadDataLine() {
  // An explicit LF terminator keeps the CR, so the line's own end can be told.
  std::string line = ReadLn("\n");
  const bool crlf = !line.empty() && line.back() == '\r';
  if (crlf) line.pop_back();
  if (crlf && !FLastLineCrLf && line == ".") line = "..";
  FLastLineCrLf = crlf;
  return line;
}

void TMessageClient::SkipReplyData() noexcept {
  try {
    std::size_t skipped = 0;
    while (FReplyDataOpen) {
      // The same line ends as the reader that stopped used, so a bare LF inside a listing
      // line cannot pass for its end.
      const std::string line = FReplyDataByCrLf ? ReadLn("\r\n") : ReadDataLine();
      if (line == ".") {
        FReplyDataOpen = false;
        return;
      }
      skipped += line.size() + 2;
      if (skipped > MaxSkippedBytes) break;
    }
  } catch (...) {
    // Cannot find the end of the block: nothing read later could be trusted.
  }
  if (FReplyDataOpen) {
    FReplyDataOpen = false;
    DropOutOfStep();
  }
}

void TMessageClient::DropOutOfStep() noexcept {
  FReplyDataOpen = false;
  try {
    DropSocket();
  } catch (...) {
    // The socket is closed either way.
  }
}

void TMessageClient::ResetConnection() {
  net::TTCPClient::ResetConnection();
  FReplyDataOpen = false;
}

void TMessageClient::AbandonReplyData(const std::exception_ptr& failure) noexcept {
  if (!FReplyDataOpen) return;
  if (IsConnectionFailure(failure))
    DropOutOfStep();
  else
    SkipReplyData();
}

}  // namespace qp::nntp
