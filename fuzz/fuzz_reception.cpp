// libFuzzer entry point: the input as an article (header, empty line, body) through the
// whole reception, fed from memory. Only the system's own exceptions may escape; attachment
// temporary files are deleted when the message is freed.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Exception.h"
#include "message/IdMessageClient.h"
#include "nntp/IdException.h"

namespace {

// Serves the input's lines through ReadLn and ends like a closed connection.
class MemoryMessageClient : public qp::TIdMessageClient {
 public:
  explicit MemoryMessageClient(std::string data) : FData(std::move(data)) {}
  std::string ReadLn(const std::string&, int) override {
    const std::size_t lf = FData.find('\n', FPos);
    if (lf == std::string::npos) throw qp::EIdConnClosedGracefully();
    std::string line = FData.substr(FPos, lf - FPos);
    FPos = lf + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }

 private:
  std::string FData;
  std::size_t FPos = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  MemoryMessageClient client(std::string(reinterpret_cast<const char*>(data), size));
  qp::TIdMessage message;
  try {
    if (client.ReadMessageHeader(message, "")) client.ReadMessageBody(message, ".");
  } catch (const qp::Exception&) {
  }
  return 0;
}
