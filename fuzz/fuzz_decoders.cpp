// libFuzzer entry point: the input, split at LF, through every line decoder and the header
// word decoder. Only the documented exceptions may escape a decoder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Exception.h"
#include "base/Streams.h"
#include "message/CoderHeader.h"
#include "message/CoderMIME.h"
#include "message/CoderQuotedPrintable.h"
#include "message/CoderUUE.h"
#include "message/CoderXXE.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  qp::message::TDecoderMIME mime;
  qp::message::TDecoderUUE uue;
  qp::message::TDecoderXXE xxe;
  qp::message::TDecoderQuotedPrintable quotedPrintable;
  qp::TMemoryStream out;
  std::size_t start = 0;
  while (start <= input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    const std::string line(input.substr(start, end - start));
    try {
      mime.DecodeToStream(line, out);
    } catch (const qp::ENetException&) {
    }
    uue.DecodeToStream(line, out);
    xxe.DecodeToStream(line, out);
    quotedPrintable.DecodeToStream(line, out);
    start = end + 1;
  }
  try {
    qp::message::DecodeHeaderWords(std::string(input));
  } catch (const qp::EConvertError&) {
  }
  qp::message::JisToShiftJis(std::string(input));
  return 0;
}
