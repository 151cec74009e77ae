#include "feed/StreamBytes.h"

#include <cstdint>

namespace qp::feed {

TStreamBytes::TStreamBytes(TStream& stream) {
  if (const auto* memory = dynamic_cast<const TMemoryStream*>(&stream)) {
    FView = memory->DataString();
    return;
  }
  stream.SetPosition(0);
  // A file says its size: read it into one buffer of that size. A pipe does not (-1).
  const int64_t size = stream.Size();
  if (size > 0) FCopy.reserve(static_cast<std::size_t>(size));
  char chunk[65536];
  for (int64_t n; (n = stream.Read(chunk, sizeof chunk)) > 0;)
    FCopy.append(chunk, static_cast<std::size_t>(n));
  FView = FCopy;
}

}  // namespace qp::feed
