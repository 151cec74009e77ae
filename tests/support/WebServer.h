// A scripted web server for tests of the feed fetch and the programs on top of it.
#pragma once

#include <map>
#include <string>

#include "support/LoopbackServer.h"

namespace qp::test {

// One document of the web server, served with "200 OK". With a login ("user:password") a
// request must carry those Basic credentials; without them the answer is "401 Unauthorized"
// with a Basic challenge and an HTML error page.
struct WebPage {
  WebPage(std::string body, std::string login = "")
      : Body(std::move(body)), Login(std::move(login)) {}
  WebPage(const char* body) : Body(body) {}
  std::string Body;
  std::string Login;
};

// Answers GET requests by their target from pages ("404 Not Found" for any other target), each
// with a Content-Length, and keeps the connection for further requests until the client closes
// it (at most 20 requests a connection).
LoopbackServer::Handler WebServer(std::map<std::string, WebPage> pages);

// The URL of target on server, with "user:password@" before the host when login is given.
std::string WebUrl(const LoopbackServer& server, const std::string& target,
                   const std::string& login = "");

// The number of request lines ("GET ") among the bytes a server received.
int RequestCount(const std::string& received);

}  // namespace qp::test
