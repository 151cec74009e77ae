#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Streams.h"
#include "feed/FeedFetch.h"
#include "net/NetExceptions.h"
#include "support/Encoders.h"
#include "support/LoopbackServer.h"
#include "support/WebServer.h"

namespace qp::feed {
namespace {

using qp::test::LoopbackServer;
using qp::test::WebServer;
using qp::test::WebUrl;

const std::string kFeed = "<rss><channel><title>T</title><link>http://t/</link></channel></rss>";

// The values of the "Authorization" header lines a server received, in order.
std::vector<std::string> Authorizations(const std::string& received) {
  std::vector<std::string> values;
  const std::string name = "Authorization: ";
  for (std::size_t at = received.find(name); at != std::string::npos;
       at = received.find(name, at + 1)) {
    const std::size_t start = at + name.size();
    values.push_back(received.substr(start, received.find("\r\n", at) - start));
  }
  return values;
}

std::string Basic(const std::string& login) {
  const std::string encoded = qp::test::Base64Lines(login, 1000);
  return "Basic " + encoded.substr(0, encoded.find('\r'));
}

// The failure's message of one fetch ("" for none); the document goes to body.
std::string Fetch(http::THTTP& client, const std::string& url, std::string* body = nullptr) {
  TMemoryStream stream;
  stream.WriteString("left from the site before");
  try {
    FetchFeedDocument(client, url, stream);
  } catch (const Exception& e) {
    return e.Message();
  }
  if (body != nullptr) *body = stream.DataString();
  return "";
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
      {"accepted: sent after the challenge",
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
    LoopbackServer server(WebServer({{"/feed.xml", {kFeed, r.pageLogin}}}), 5);
    http::THTTP client;
    PrepareFeedClient(client);
    std::string body;
    EXPECT_EQ(Fetch(client, WebUrl(server, "/feed.xml", r.urlLogin), &body), r.error);
    if (r.error.empty()) {
      EXPECT_EQ(body, kFeed);
      EXPECT_FALSE(client.Connected());
    }
    EXPECT_EQ(Authorizations(server.Received()), r.authorizations);
    EXPECT_EQ(qp::test::RequestCount(server.Received()), r.requests);
  }
}

TEST(FetchFeedDocument, ProxyRefusalIsAFailure) {
  LoopbackServer server([](qp::test::PeerSession& s) {
    while (!s.ReadLine().empty()) {
    }
    s.Send("HTTP/1.1 407 Proxy Authentication Required\r\nContent-Length: 0\r\n\r\n");
  });
  http::THTTP client;
  PrepareFeedClient(client);
  TMemoryStream stream;
  try {
    FetchFeedDocument(client, WebUrl(server, "/feed.xml"), stream);
    ADD_FAILURE() << "no failure";
  } catch (const net::EProtocolReplyError& e) {
    EXPECT_EQ(e.ErrorReplyCode(), 407);
    EXPECT_EQ(e.Message(), "407 Proxy Authentication Required");
  }
}

TEST(FetchFeedDocument, CredentialsOfOneSiteNeverReachTheNext) {
  LoopbackServer first(WebServer({{"/a.xml", {kFeed, "user:secret"}}}), 5);
  LoopbackServer second(WebServer({{"/b.xml", {kFeed, "other:login"}}}), 5);
  http::THTTP client;
  PrepareFeedClient(client);
  EXPECT_EQ(Fetch(client, WebUrl(first, "/a.xml", "user:secret")), "");
  // Sites of the same server and of another one, without credentials of their own.
  EXPECT_EQ(Fetch(client, WebUrl(first, "/a.xml")), "401 Unauthorized");
  EXPECT_EQ(Fetch(client, WebUrl(second, "/b.xml")), "401 Unauthorized");
  EXPECT_EQ(Authorizations(first.Received()), std::vector<std::string>{Basic("user:secret")});
  EXPECT_EQ(Authorizations(second.Received()), std::vector<std::string>{});
}

}  // namespace
}  // namespace qp::feed
