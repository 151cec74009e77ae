// A scripted SOCKS 5 proxy for tests of the programs on top of the transport: it grants the
// connect request and then plays the server itself.
#pragma once

#include <string>

#include "support/LoopbackServer.h"

namespace qp::test {

// Accepts the greeting 5 1 0 (no login), records the "host:port" the client asks for in
// target, grants it with an IPv4 bound address and hands the session to server. A greeting
// other than 5 1 0 ends the session.
LoopbackServer::Handler Socks5Granting(std::string& target, LoopbackServer::Handler server);

}  // namespace qp::test
