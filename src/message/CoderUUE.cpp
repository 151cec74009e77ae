#include "message/CoderUUE.h"

namespace qp::message {

namespace {

const TDecodeTable& UUETable() {
  static const TDecodeTable table = [] {
    std::string alphabet = "`";
    for (char c = 33; c <= 95; ++c) alphabet += c;
    TDecodeTable t = BuildDecodeTable(alphabet);
    // Reading a blank as the grave accent, folded into the table so lines are not copied.
    t[' '] = 0;
    return t;
  }();
  return table;
}

}  // namespace

void TDecoderUUEBase::DecodeToStream(const std::string& text, TStream& dest) {
  if (text.empty()) return;
  const TDecodeTable& table = FDecodeTable;
  const unsigned count = table[static_cast<uint8_t>(text[0])];
  if (count == 255 || count == 0) return;
  const auto* src = reinterpret_cast<const uint8_t*>(text.data()) + 1;
  const std::size_t available = text.size() - 1;
  const std::size_t needed = (count + 2) / 3 * 4;
  // At most 63 bytes per line, rounded up to whole groups.
  uint8_t bytes[66];
  uint8_t* o = bytes;
  if (available >= needed) {
    for (std::size_t i = 0; i < needed; i += 4, o += 3)
      Store3(o, Group(table[src[i]], table[src[i + 1]], table[src[i + 2]], table[src[i + 3]]));
  } else {
    auto value = [&](std::size_t i) -> uint32_t { return i < available ? table[src[i]] : 0; };
    for (std::size_t i = 0; i < needed; i += 4, o += 3)
      Store3(o, Group(value(i), value(i + 1), value(i + 2), value(i + 3)));
  }
  dest.WriteBuffer(bytes, count);
}

TDecoderUUE::TDecoderUUE() : TDecoderUUEBase(UUETable()) {}

}  // namespace qp::message
