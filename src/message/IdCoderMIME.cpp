#include "message/IdCoderMIME.h"

#include <algorithm>

#include "nntp/IdException.h"

namespace qp {

namespace {

const TIdDecodeTable& MimeTable() {
  static const TIdDecodeTable table =
      BuildDecodeTable("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
  return table;
}

constexpr char MimeFillChar = '=';

}  // namespace

TIdDecoderMIME::TIdDecoderMIME() : TIdDecoder4to3(MimeTable(), MimeFillChar) {}

void TIdDecoderMIME::DecodeToStream(const std::string& text, TStream& dest) {
  if (text.size() % 4 != 0) throw EIdException("Uneven size in DecodeToStream.");
  const TIdDecodeTable& table = FDecodeTable;
  const auto fill = static_cast<uint8_t>(FFillChar);
  const auto* src = reinterpret_cast<const uint8_t*>(text.data());
  const uint8_t* const end = src + text.size();
  TIdDecodeBuffer out(dest);
  while (src < end) {
    // Decode as many groups as the buffer holds in one go; an ordinary line fits at once.
    const std::size_t groups =
        std::min<std::size_t>((end - src) / 4, TIdDecodeBuffer::Capacity / 3);
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

}  // namespace qp
