// An I/O layer that plays a peer's bytes from memory, for driving a whole client session
// (tests and fuzzers) without sockets.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "net/IOHandler.h"

namespace qp::test {

// Serves input in chunks of at most chunk bytes, then the peer's close (a receive of 0);
// every wait finds data or that close at once. What the client sends is kept in Sent.
// Owned by the test, which hands it to a client with SetIOHandler; one thread.
class TMemoryIOHandler : public net::TIOHandler {
 public:
  explicit TMemoryIOHandler(std::string input, std::size_t chunk = 4096)
      : FInput(std::move(input)), FChunk(std::max<std::size_t>(1, chunk)) {}

  std::string Sent;

  void OpenHandler() override { FOpen = true; }
  void CloseHandler() override { FOpen = false; }
  bool IsOpen() override { return FOpen; }
  bool WaitReadable(int ms) override {
    (void)ms;
    return true;
  }
  int Receive(void* buffer, int length) override {
    const std::size_t n =
        std::min({static_cast<std::size_t>(std::max(0, length)), FChunk, FInput.size() - FPos});
    std::memcpy(buffer, FInput.data() + FPos, n);
    FPos += n;
    return static_cast<int>(n);
  }
  int Send(const void* buffer, int length) override {
    Sent.append(static_cast<const char*>(buffer), static_cast<std::size_t>(std::max(0, length)));
    return length;
  }

 private:
  std::string FInput;
  std::size_t FChunk;
  std::size_t FPos = 0;
  bool FOpen = false;
};

}  // namespace qp::test
