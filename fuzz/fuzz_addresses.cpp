// libFuzzer entry point: the input as an address header value, parsed as one item and as a
// list, then formatted back. Only EEmailParseError may escape.
#include <cstddef>
#include <cstdint>
#include <string>

#include "message/EMailAddress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  try {
    qp::message::TEMailAddressItem item;
    item.SetText(input);
    item.Text();
  } catch (const qp::message::EEmailParseError&) {
  }
  try {
    qp::message::TEMailAddressList list;
    list.ParseAddresses(input);
    for (int i = 0; i < list.Count(); ++i) list[i].Text();
  } catch (const qp::message::EEmailParseError&) {
  }
  return 0;
}
