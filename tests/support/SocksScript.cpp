#include "support/SocksScript.h"

namespace qp::test {

LoopbackServer::Handler Socks5Granting(std::string& target, LoopbackServer::Handler server) {
  return [&target, server = std::move(server)](PeerSession& s) {
    if (s.ReadBytes(3) != std::string("\x05\x01\x00", 3)) return;
    s.Send(std::string("\x05\x00", 2));
    const std::string head = s.ReadBytes(5);
    if (head.size() != 5 || head[3] != '\x03') return;
    const std::string rest = s.ReadBytes(static_cast<unsigned char>(head[4]) + 2u);
    if (rest.size() < 2) return;
    const auto high = static_cast<unsigned char>(rest[rest.size() - 2]);
    const auto low = static_cast<unsigned char>(rest.back());
    target = rest.substr(0, rest.size() - 2) + ":" + std::to_string(high * 256 + low);
    s.Send(std::string("\x05\x00\x00\x01\x7f\x00\x00\x01\x00\x00", 10));
    server(s);
  };
}

}  // namespace qp::test
