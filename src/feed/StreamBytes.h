// The whole content of a stream, read from its start, as the feed readers take it.
#pragma once

#include <string>
#include <string_view>

#include "base/Streams.h"

namespace qp::feed {

// Reads the stream once; a memory stream is viewed in place rather than copied, so the view is
// valid while that stream is unchanged. Short-lived, owned by the reader that made it.
class TStreamBytes {
 public:
  explicit TStreamBytes(TStream& stream);
  TStreamBytes(const TStreamBytes&) = delete;
  TStreamBytes& operator=(const TStreamBytes&) = delete;

  std::string_view View() const { return FView; }

 private:
  std::string FCopy;
  std::string_view FView;
};

}  // namespace qp::feed
