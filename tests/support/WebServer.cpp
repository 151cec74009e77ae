#include "support/WebServer.h"

#include "support/Encoders.h"

namespace qp::test {

namespace {

constexpr int kRequestsPerConnection = 20;

std::string Response(const std::string& status, const std::string& headers,
                     const std::string& body) {
  return "HTTP/1.1 " + status + "\r\n" + headers +
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The value a request carries for login ("Basic" and the base64 of "user:password").
std::string BasicCredentials(const std::string& login) {
  std::string encoded = Base64Lines(login, 1000);
  while (!encoded.empty() && (encoded.back() == '\n' || encoded.back() == '\r')) encoded.pop_back();
  return "Basic " + encoded;
}

}  // namespace

LoopbackServer::Handler WebServer(std::map<std::string, WebPage> pages) {
  return [pages = std::move(pages)](PeerSession& s) {
    for (int request = 0; request < kRequestsPerConnection; ++request) {
      const std::string requestLine = s.ReadLine();
      if (requestLine.empty()) return;
      std::string authorization;
      for (std::string line = s.ReadLine(); !line.empty(); line = s.ReadLine()) {
        const std::string name = "Authorization: ";
        if (line.compare(0, name.size(), name) == 0) authorization = line.substr(name.size());
      }
      const std::size_t start = requestLine.find(' ') + 1;
      const std::string target = requestLine.substr(start, requestLine.find(' ', start) - start);
      const auto it = pages.find(target);
      if (it == pages.end()) {
        s.Send(Response("404 Not Found", "", "<html><title>Not Found</title></html>"));
      } else if (!it->second.Login.empty() && authorization != BasicCredentials(it->second.Login)) {
        s.Send(Response("401 Unauthorized", "WWW-Authenticate: Basic realm=\"feeds\"\r\n",
                        "<html><head><title>Authorization Required</title>"
                        "<link>http://error.page/</link></head></html>"));
      } else {
        s.Send(Response("200 OK", "", it->second.Body));
      }
    }
  };
}

std::string WebUrl(const LoopbackServer& server, const std::string& target,
                   const std::string& login) {
  return "http://" + (login.empty() ? std::string() : login + "@") +
         "127.0.0.1:" + std::to_string(server.Port()) + target;
}

int RequestCount(const std::string& received) {
  int count = 0;
  for (std::size_t at = received.find("GET "); at != std::string::npos;
       at = received.find("GET ", at + 4)) {
    ++count;
  }
  return count;
}

}  // namespace qp::test
