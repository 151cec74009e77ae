#include "nntp/MessageClient.h"

#include "base/LineSource.h"
#include "message/MessageReader.h"

namespace qp::nntp {

namespace {

// The connection as a line source: lines end at LF (a CR before it is dropped), and a raw
// capture splits at CR LF, as dot-terminated replies do.
class TConnectionLineSource : public TLineSource {
 public:
  explicit TConnectionLineSource(net::TTCPConnection& connection) : FConnection(connection) {}
  std::string ReadLn() override { return FConnection.ReadLn(); }
  using TLineSource::Capture;
  void Capture(const TLineSink& sink, const std::string& terminator, bool unstuff) override {
    FConnection.Capture(sink, terminator, unstuff);
  }

 private:
  net::TTCPConnection& FConnection;
};

}  // namespace

bool TMessageClient::ReadMessageHeader(message::TMessage& message, const std::string& terminator) {
  TConnectionLineSource source(*this);
  return message::TMessageReader(source, *this).ReadMessageHeader(message, terminator);
}

void TMessageClient::ReadMessageBody(message::TMessage& message, const std::string& terminator) {
  TConnectionLineSource source(*this);
  message::TMessageReader(source, *this).ReadMessageBody(message, terminator);
}

}  // namespace qp::nntp
