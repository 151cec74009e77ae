#include "message/CoderQuotedPrintable.h"

#include <cstring>

#include "base/SysUtils.h"

namespace qp::message {

void TDecoderQuotedPrintable::DecodeToStream(const std::string& text, TStream& dest) {
  std::size_t length = text.size();
  while (length > 0 && static_cast<uint8_t>(text[length - 1]) <= 0x20) --length;
  const char* const s = text.data();
  TDecodeBuffer out(dest);
  std::size_t i = 0;
  while (i < length) {
    const auto* eq = static_cast<const char*>(std::memchr(s + i, '=', length - i));
    if (eq == nullptr) {
      out.Append(s + i, length - i);
      break;
    }
    const auto at = static_cast<std::size_t>(eq - s);
    out.Append(s + i, at - i);
    i = at + 1;
    int value = 0;
    int digits = 0;
    for (int d; digits < 2 && i < length && (d = HexDigitValue(s[i])) >= 0; ++i, ++digits)
      value = value * 16 + d;
    if (digits > 0) out.Put(static_cast<uint8_t>(value));
  }
  if (length == 0 || s[length - 1] != '=') out.Append("\r\n", 2);
  out.Flush();
}

}  // namespace qp::message
