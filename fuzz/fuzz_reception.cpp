// libFuzzer entry point: the input as an article (header, empty line, body) through the
// whole reception, fed from memory. Only the system's own exceptions may escape; attachment
// temporary files are deleted when the message is freed.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Component.h"
#include "base/Exception.h"
#include "base/LineSource.h"
#include "message/MessageReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  qp::TStringLineSource source(std::string(reinterpret_cast<const char*>(data), size));
  qp::TComponent work;
  qp::message::TMessageReader reader(source, work);
  qp::message::TMessage message;
  try {
    if (reader.ReadMessageHeader(message, "")) reader.ReadMessageBody(message, ".");
  } catch (const qp::Exception&) {
  }
  return 0;
}
