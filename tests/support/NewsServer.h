// A scripted news server for tests of the NNTP client and the programs on top of it.
#pragma once

#include <map>
#include <string>

#include "support/LoopbackServer.h"

namespace qp::test {

// Greets with greeting, accepts "mode reader" with 200 and answers every other command line
// with its reply from the table ("500 unknown command" for one not in it). A session ends
// at "Quit", when the client closes, or after 50 commands.
LoopbackServer::Handler NewsServer(std::map<std::string, std::string> replies,
                                   std::string greeting = "200 test server\r\n");

}  // namespace qp::test
