#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "cli/FetchCommand.h"
#include "support/LoopbackServer.h"
#include "support/WebServer.h"

namespace qp::cli {
namespace {

using test::LoopbackServer;
using test::PeerSession;

struct CliRun {
  int code;
  std::string out, err;
};

CliRun RunFetch(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = RunFetchCommand(args, out, err);
  return {code, out.str(), err.str()};
}

// Reads the request head, sends reply and closes.
LoopbackServer::Handler Reply(std::string reply) {
  return [reply = std::move(reply)](PeerSession& s) {
    while (!s.ReadLine().empty()) {
    }
    s.Send(reply);
    s.Close();
  };
}

std::string Url(const LoopbackServer& server, const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
}

std::string BinaryBody() {
  std::mt19937 gen(7);
  std::string bytes(70000, '\0');
  for (char& c : bytes) c = static_cast<char>(gen() & 0xFF);
  return bytes;
}

std::string Chunked(const std::string& body, std::size_t chunk) {
  std::string framed;
  for (std::size_t at = 0; at < body.size(); at += chunk) {
    const std::string piece = body.substr(at, chunk);
    std::ostringstream size;
    size << std::hex << piece.size();
    framed += size.str() + "\r\n" + piece + "\r\n";
  }
  return framed + "0\r\n\r\n";
}

TEST(FetchCommand, WritesTheBodyByteForByteHoweverItIsFramed) {
  const std::string body = BinaryBody();
  struct Row {
    const char* name;
    std::string reply;
  };
  const Row rows[] = {
      {"counted", "HTTP/1.1 200 OK\r\nContent-Length: 70000\r\n\r\n" + body},
      {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + Chunked(body, 16384)},
      {"until close", "HTTP/1.1 200 OK\r\n\r\n" + body},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server(Reply(r.reply));
    const CliRun run = RunFetch({Url(server, "/feed.xml")});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(run.out == body) << run.out.size() << " bytes";
    EXPECT_EQ(run.err, "");
  }
}

TEST(FetchCommand, HeadersGoToStandardErrorFirst) {
  LoopbackServer server(
      Reply("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: 6\r\n\r\n<rss/>"));
  const CliRun run = RunFetch({"--headers", Url(server, "/")});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "<rss/>");
  EXPECT_EQ(run.err, "HTTP/1.1 200 OK\nContent-Type: text/xml\nContent-Length: 6\n");
}

TEST(FetchCommand, FailuresExitWithOne) {
  LoopbackServer server(Reply("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone"));
  CliRun run = RunFetch({Url(server, "/missing"), "--headers"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "HTTP/1.1 404 Not Found\nContent-Length: 4\nquillpost-cli: 404 Not Found\n");

  run = RunFetch({"http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/"});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("quillpost-cli: Socket Error # 10061"), std::string::npos) << run.err;

  run = RunFetch({"https://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/"});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("quillpost-cli: Socket Error # 10061"), std::string::npos) << run.err;
}

TEST(FetchCommand, LoginsUseTheCredentialsOfTheURL) {
  test::LoopbackServer server(test::WebServer({{"/private", {"secret page", "me:pw"}}}), 5);
  const CliRun accepted = RunFetch({test::WebUrl(server, "/private", "me:pw")});
  EXPECT_EQ(accepted.code, 0) << accepted.err;
  EXPECT_EQ(accepted.out, "secret page");
  // Without credentials the answer to the login request is the output.
  const CliRun refused = RunFetch({test::WebUrl(server, "/private"), "--headers"});
  EXPECT_EQ(refused.code, 0) << refused.err;
  EXPECT_NE(refused.err.find("HTTP/1.1 401 Unauthorized\n"), std::string::npos) << refused.err;
  EXPECT_NE(refused.out.find("Authorization Required"), std::string::npos);
}

TEST(FetchCommand, BadUsageExitsWithTwo) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"--headers"}, {"http://a/", "http://b/"}, {"--verbose", "http://a/"}}) {
    const CliRun run = RunFetch(args);
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find(FetchUsage), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace qp::cli
