// An article in memory read through the reception, as the NNTP client reads one off its
// connection, with the work brackets the reception opens counted.
#pragma once

#include <string>

#include "base/Component.h"
#include "base/LineSource.h"
#include "message/MessageReader.h"
#include "support/Encoders.h"

namespace qp::test {

class MemoryArticle {
 public:
  explicit MemoryArticle(std::string data);

  // Clear, the header up to the empty line and, when the header was not ended by ".", the
  // body up to "." (the ARTICLE sequence). Returns what ReadMessageHeader returned.
  bool Receive(message::TMessage& message);
  message::TMessageReader& Reader() { return FReader; }

  TStringLineSource Source;
  int WorkBegins = 0;
  int WorkEnds = 0;

 private:
  TComponent FWork;
  message::TMessageReader FReader{Source, FWork};
};

}  // namespace qp::test
