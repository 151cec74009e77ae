#include <gtest/gtest.h>

#include <string>

#include "base/Streams.h"
#include "feed/FeedFetch.h"
#include "net/NetExceptions.h"
#include "support/Encoders.h"
#include "support/LoopbackServer.h"
#include "support/WebServer.h"

namespace qp::feed {
namespace {

using qp::test::LoopbackServer;
using qp::test::RequestCount;
using qp::test::WebPage;
using qp::test::WebServer;
using qp::test::WebUrl;

const std::string kFeed = "<rss><channel><title>T</title><link>http://t/</link></channel></rss>";

// The "Authorization" header lines a server received, in order.
std::vector<std::string> AuthorizationLines(const std::string& received) {
  std::vector<std::string> lines;
  const std::string name = "Authorization: ";
  for (std::size_t at = received.find(name); at != std::string::npos;
       at = received.find(name, at + 1)) {
    lines.push_back(
        received.substr(at + name.size(), received.find("\r\n", at) - at - name.size()));
  }
  return lines;
}

std::string Basic(const std::string& login) {
  std::string encoded = qp::test::Base64Lines(login, 1000);
  return "Basic " + encoded.substr(0, encoded.find('\r'));
}

// What one FetchFeedDocument on a fresh feed client gave.
struct Outcome {
  std::string error;  // "" = success
  int code = 0;       // of an EProtocolReplyError
  std::string body;
  bool connected = false;
};

Outcome Fetch(http::THTTP& client, const std::string& url) {
  Outcome outcome;
  TMemoryStream stream;
  stream.WriteString("left from the site before");
  try {
    FetchFeedDocument(client, url, stream);
  } catch (const net::EProtocolReplyError& e) {
    outcome.error = e.Message();
    outcome.code = e.ErrorReplyCode();
  } catch (const Exception& e) {
    outcome.error = e.Message();
  }
  outcome.body = stream.DataString();
  outcome.connected = client.Connected();
  return outcome;
}

TEST(FetchFeedDocument, LoginsAreAnsweredOnceWithTheCredentialsOfTheURL) {
  struct Row {
    const char* name;
    std::string pageLogin;  // what the page requires
    std::string urlLogin;   // what the URL carries
    std::string error;      // "" = the feed arrives
    std::vector<std::string> authorizations;
    int requests;
  };
  const Row rows[] = {
      {"open page: no credentials sent", "", "user:secret", "", {}, 1},
      {"accepted: sent once after the challenge",
       "user:secret",
       "user:secret",
       "",
       {Basic("user:secret")},
       2},
      {"refused: sent once, then a failure",
       "user:secret",
       "user:wrong",
       "401 Unauthorized",
       {Basic("user:wrong")},
       2},
      {"none in the URL: a failure, nothing sent", "user:secret", "", "401 Unauthorized", {}, 1},
      {"user name without a password", "user:", "user", "", {Basic("user:")}, 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server(WebServer({{"/feed.xml", WebPage{kFeed, "200 OK", r.pageLogin}}}), 5);
    http::THTTP client;
    PrepareFeedClient(client);
    const Outcome outcome = Fetch(client, WebUrl(server, "/feed.xml", r.urlLogin));
    EXPECT_EQ(outcome.error, r.error);
    if (r.error.empty()) {
      EXPECT_EQ(outcome.body, kFeed);
      EXPECT_FALSE(outcome.connected);
    } else {
      EXPECT_EQ(outcome.code, 401);
    }
    EXPECT_EQ(AuthorizationLines(server.Received()), r.authorizations);
    EXPECT_EQ(RequestCount(server.Received()), r.requests);
  }
}

TEST(FetchFeedDocument, ProxyRefusalIsAFailure) {
  LoopbackServer server(
      [](qp::test::PeerSession& s) {
        while (!s.ReadLine().empty()) {
        }
        s.Send(
            "HTTP/1.1 407 Proxy Authentication Required\r\n"
            "Proxy-Authenticate: Basic realm=\"proxy\"\r\nContent-Length: 5\r\n\r\nproxy");
      },
      1);
  http::THTTP client;
  PrepareFeedClient(client);
  const Outcome outcome = Fetch(client, WebUrl(server, "/feed.xml"));
  EXPECT_EQ(outcome.error, "407 Proxy Authentication Required");
  EXPECT_EQ(outcome.code, 407);
}

TEST(FetchFeedDocument, CredentialsOfOneSiteNeverReachTheNext) {
  LoopbackServer first(WebServer({{"/a.xml", WebPage{kFeed, "200 OK", "user:secret"}}}), 5);
  LoopbackServer second(WebServer({{"/b.xml", WebPage{kFeed, "200 OK", "other:login"}}}), 5);
  http::THTTP client;
  PrepareFeedClient(client);
  EXPECT_EQ(Fetch(client, WebUrl(first, "/a.xml", "user:secret")).error, "");
  // Another site of the same server, and one of another server, without credentials of their own.
  EXPECT_EQ(Fetch(client, WebUrl(first, "/a.xml")).error, "401 Unauthorized");
  EXPECT_EQ(Fetch(client, WebUrl(second, "/b.xml")).error, "401 Unauthorized");
  EXPECT_EQ(AuthorizationLines(first.Received()), (std::vector<std::string>{Basic("user:secret")}));
  EXPECT_EQ(AuthorizationLines(second.Received()), std::vector<std::string>{});
}

TEST(FetchFeedDocument, OtherFailuresKeepTheClientsMessage) {
  LoopbackServer server(WebServer({}), 5);
  http::THTTP client;
  PrepareFeedClient(client);
  const Outcome missing = Fetch(client, WebUrl(server, "/missing.xml"));
  EXPECT_EQ(missing.error, "404 Not Found");
  EXPECT_EQ(missing.code, 404);
  // The page of the failure is what the stream holds, not what it held before.
  EXPECT_EQ(missing.body, "<html><title>Not Found</title></html>");

  http::THTTP refused;
  PrepareFeedClient(refused);
  const Outcome outcome =
      Fetch(refused, "http://127.0.0.1:" + std::to_string(qp::test::UnusedLoopbackPort()) + "/");
  EXPECT_EQ(outcome.error, net::SocketErrorText(10061));
}

}  // namespace
}  // namespace qp::feed
