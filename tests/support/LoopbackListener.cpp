#include "support/LoopbackListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace qp::test {

namespace {

sockaddr_in LoopbackAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  return address;
}

}  // namespace

LoopbackListener::LoopbackListener(int backlog) {
  FFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (FFd < 0) throw std::runtime_error("socket failed");
  sockaddr_in address = LoopbackAddress(0);
  socklen_t length = sizeof address;
  if (::bind(FFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(FFd, backlog) != 0 ||
      ::getsockname(FFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(FFd);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  FPort = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener() {
  ::close(FFd);
}

int LoopbackListener::Accept() const {
  return ::accept4(FFd, nullptr, nullptr, SOCK_CLOEXEC);
}

int ConnectLoopback(int port, bool nonBlocking) {
  const int fd =
      ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
  if (fd < 0) return -1;
  const sockaddr_in address = LoopbackAddress(port);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
      !(nonBlocking && errno == EINPROGRESS)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace qp::test
