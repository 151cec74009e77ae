#include "message/CoderMIME.h"

#include <algorithm>

#include "base/Exception.h"

namespace qp::message {

namespace {

const TDecodeTable& MimeTable() {
  static const TDecodeTable table =
      BuildDecodeTable("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
  return table;
}

constexpr char MimeFillChar = '=';

}  // namespace

TDecoderMIME::TDecoderMIME() : TDecoder4to3(MimeTable(), MimeFillChar) {}

void TDecoderMIME::DecodeToStream(const std::string& text, TStream& dest) {
  if (text.size() % 4 != 0) throw ENetException("Uneven size in DecodeToStream.");
  const TDecodeTable& table = FDecodeTable;
  const auto fill = static_cast<uint8_t>(FFillChar);
  const auto* src = reinterpret_cast<const uint8_t*>(text.data());
  const uint8_t* const end = src + text.size();
  TDecodeBuffer out(dest);
  while (src < end) {
    // Decode as many groups as the buffer holds in one go; an ordinary line fits at once.
    const std::size_t groups = std::min<std::size_t>((end - src) / 4, TDecodeBuffer::Capacity / 3);
    uint8_t* const first = out.Reserve(groups * 3);
    uint8_t* o = first;
    for (std::size_t g = 0; g < groups; ++g, src += 4) {
      const uint8_t c3 = src[2];
      const uint8_t c4 = src[3];
      const uint32_t w = Group(table[src[0]], table[src[1]], table[c3], table[c4]);
      Store3(o, w);
      if (c3 == fill) {
        out.Commit(o - first + 1);
        out.Flush();
        return;
      }
      o += c4 == fill ? 2 : 3;
    }
    out.Commit(o - first);
  }
  out.Flush();
}

}  // namespace qp::message
