#include "support/NewsServer.h"

namespace qp::test {

LoopbackServer::Handler NewsServer(std::map<std::string, std::string> replies,
                                   std::string greeting) {
  return [replies = std::move(replies), greeting = std::move(greeting)](PeerSession& s) {
    s.Send(greeting);
    for (int i = 0; i < 50; ++i) {
      const std::string line = s.ReadLine();
      if (line.empty() || line == "Quit") return;
      if (line == "mode reader") {
        s.Send("200 reader\r\n");
        continue;
      }
      const auto it = replies.find(line);
      s.Send(it == replies.end() ? "500 unknown command\r\n" : it->second);
    }
  };
}

}  // namespace qp::test
