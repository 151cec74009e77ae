// Test helpers for article reception: a client that reads its lines from memory, a
// loopback receiver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "message/IdMessageClient.h"
#include "support/Encoders.h"

namespace qp::test {

// A message client whose ReadLn serves the lines of a string (LF ends a line, a CR before
// it is dropped) and raises EIdConnClosedGracefully when the data is used up, as a peer
// that closed would. Counts the work brackets it opens and closes.
class MemoryMessageClient : public TIdMessageClient {
 public:
  explicit MemoryMessageClient(std::string data);
  std::string ReadLn(const std::string& terminator = "", int timeout = -1) override;
  int LinesRead() const { return FLinesRead; }
  int WorkBegins = 0;
  int WorkEnds = 0;

 private:
  std::string FData;
  std::size_t FPos = 0;
  int FLinesRead = 0;
};

// Reads an article as the NNTP client does for ARTICLE: Clear, the header up to the empty
// line and, when the header was not ended by ".", the body up to ".". Returns what
// ReadMessageHeader returned.
bool ReceiveArticle(TIdMessageClient& client, TIdMessage& message);

enum class Source { Memory, LoopbackWhole, LoopbackBytewise };
const char* SourceName(Source source);
// Receives article through the given source; exceptions of the reception pass out.
bool ReceiveFrom(Source source, const std::string& article, TIdMessage& message);

}  // namespace qp::test
