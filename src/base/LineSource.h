// Where line readers (message reception, its part decoders) take their lines from: a
// connection or bytes in memory. Readers depend on this interface only, so every one of them
// is driven from memory in tests and fuzzers as well as from a socket.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "base/StringList.h"

namespace qp {

// A source of text lines. Owned by whoever reads from it; one reader at a time, on one thread.
class TLineSource {
 public:
  virtual ~TLineSource() = default;
  // The next line, without its LF and a CR before it. Raises EConnClosedGracefully when no
  // complete line is left (a final fragment without line end is never returned), and what
  // the underlying transport raises.
  virtual std::string ReadLn() = 0;
  // Hands every line up to the line equal to terminator (not included) to sink, which may
  // move from it; with unstuff a leading ".." loses one dot (RFC 3977 section 3.1.1). The
  // terminator is compared before un-stuffing. Raises what ReadLn and the sink raise.
  using TLineSink = std::function<void(std::string& line)>;
  virtual void Capture(const TLineSink& sink, const std::string& terminator, bool unstuff);
  // The same, appending the lines to target.
  void Capture(TStringList& target, const std::string& terminator, bool unstuff);
};

// The lines of a string: LF ends a line and a CR before it is dropped. Owned by its user.
class TStringLineSource : public TLineSource {
 public:
  explicit TStringLineSource(std::string data) : FData(std::move(data)) {}
  std::string ReadLn() override;
  // Lines served so far.
  int LinesRead() const { return FLinesRead; }
  // True when every complete line has been served.
  bool AtEnd() const { return FData.find('\n', FPos) == std::string::npos; }

 private:
  std::string FData;
  std::size_t FPos = 0;
  int FLinesRead = 0;
};

}  // namespace qp
