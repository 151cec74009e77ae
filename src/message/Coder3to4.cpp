#include "message/Coder3to4.h"

#include <algorithm>

namespace qp::message {

TDecodeTable BuildDecodeTable(std::string_view alphabet) {
  TDecodeTable table;
  table.fill(255);
  for (std::size_t i = 0; i < alphabet.size() && i < 255; ++i)
    table[static_cast<uint8_t>(alphabet[i])] = static_cast<uint8_t>(i);
  return table;
}

void TDecodeBuffer::Append(const char* data, std::size_t count) {
  while (count > 0) {
    const std::size_t n = std::min(count, Capacity);
    std::copy_n(data, n, Reserve(n));
    Commit(n);
    data += n;
    count -= n;
  }
}

}  // namespace qp::message
