#include <sys/socket.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "base/Exception.h"
#include "base/Streams.h"
#include "http/HTTP.h"
#include "net/IOHandlerSocket.h"
#include "support/LoopbackServer.h"
#include "support/TLSPeer.h"
#include "support/TempDir.h"

namespace qp::http {
namespace {

using test::LoopbackServer;
using test::PeerSession;

const std::string kHead =
    "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Quillpost)\r\n";

// Reads one request head up to its empty line; false when the client closed first.
bool ReadRequestHead(PeerSession& s) {
  for (int lines = 0; lines < 200; ++lines) {
    if (s.ReadLine().empty()) return lines > 0;
  }
  return false;
}

// Answers the requests of one connection with the replies in turn; then closes when asked,
// and otherwise records what the client still sends until it closes.
LoopbackServer::Handler Serve(std::vector<std::string> replies, bool closeAtEnd = false,
                              std::atomic<int>* closed = nullptr) {
  return [replies = std::move(replies), closeAtEnd, closed](PeerSession& s) {
    for (const std::string& reply : replies) {
      if (!ReadRequestHead(s)) return;
      s.Send(reply);
    }
    if (closeAtEnd) s.Close();
    if (closed != nullptr) ++*closed;
  };
}

std::string Url(const LoopbackServer& server, const std::string& path,
                const std::string& host = "127.0.0.1") {
  return "http://" + host + ":" + std::to_string(server.Port()) + path;
}

std::string Counted(const std::string& status, const std::string& body,
                    const std::string& headers = "") {
  return "HTTP/1.1 " + status + "\r\n" + headers +
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// What one Get from a fresh client made of a server that sends reply.
struct Outcome {
  std::string error;  // "" = success
  int code = 0;       // of an EProtocolReplyError
  std::string body;   // what the stream holds
  int status = 0;
  bool connected = false;
};

Outcome FetchOnce(const std::string& reply, bool serverCloses,
                  int64_t limit = THTTP::kDefaultMaxResponseBodySize) {
  LoopbackServer server(Serve({reply}, serverCloses));
  THTTP client;
  client.ReadTimeout = 5000;
  client.MaxResponseBodySize = limit;
  TMemoryStream stream;
  Outcome outcome;
  try {
    client.Get(Url(server, "/"), stream);
  } catch (const net::EProtocolReplyError& e) {
    outcome.error = e.Message();
    outcome.code = e.ErrorReplyCode();
  } catch (const Exception& e) {
    outcome.error = e.Message();
  }
  outcome.body = stream.DataString();
  outcome.status = client.StatusCode();
  outcome.connected = client.Connected();
  return outcome;
}

class HTTPTest : public ::testing::Test {
 protected:
  HTTPTest() { client.ReadTimeout = 5000; }
  // Ends the exchange so the server has everything recorded.
  void Finish(LoopbackServer& server) {
    client.Disconnect();
    server.Join();
  }
  THTTP client;
  TMemoryStream body;
};

TEST_F(HTTPTest, SendsExactlyTheRequestHead) {
  LoopbackServer server(Serve({Counted("200 OK", "hello")}));
  client.Get(Url(server, "/dir/feed.xml"), body);
  Finish(server);
  // The port is not part of Host.
  EXPECT_EQ(server.Received(),
            "GET /dir/feed.xml HTTP/1.1\r\nHost: 127.0.0.1\r\n" + kHead + "\r\n");
  EXPECT_EQ(body.DataString(), "hello");
  EXPECT_EQ(client.StatusCode(), 200);
  EXPECT_EQ(client.StatusText(), "200 OK");
  EXPECT_EQ(client.ResponseVersion(), "1.1");
}

TEST_F(HTTPTest, ReadsTheBodyAsTheResponseFramesIt) {
  struct Row {
    const char* name;
    std::string reply;
    bool serverCloses;
    std::string body;
    int status;
  };
  const std::string ok = "HTTP/1.1 200 OK\r\n";
  const Row rows[] = {
      {"counted", Counted("200 OK", "hello"), false, "hello", 200},
      {"chunked 1a and 0",
       ok + "Transfer-Encoding: chunked\r\n\r\n1a\r\nabcdefghijklmnopqrstuvwxyz\r\n0\r\n\r\n",
       false, "abcdefghijklmnopqrstuvwxyz", 200},
      {"chunk extensions and trailer",
       ok +
           "Transfer-Encoding: chunked\r\n\r\n3;x=y\r\nabc\r\n4 ; z\r\ndefg\r\n0\r\nX-T: 1\r\n\r\n",
       false, "abcdefg", 200},
      {"chunked in capitals", ok + "Transfer-Encoding: Chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n", false,
       "ok", 200},
      {"chunked overrides a length",
       ok + "Content-Length: 100\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n", false,
       "ok", 200},
      {"last chunk without its final line",
       ok + "Transfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n", true, "ok", 200},
      {"until close", ok + "Content-Type: text/xml\r\n\r\n<rss/>", true, "<rss/>", 200},
      {"negative length is no length", ok + "Content-Length: -1\r\n\r\n<rss/>", true, "<rss/>",
       200},
      {"HTTP 1.0 until close", "HTTP/1.0 200 OK\r\n\r\nold", true, "old", 200},
      {"zero length ignores what follows", ok + "Content-Length: 0\r\n\r\nextra", true, "", 200},
      {"204 has no body", "HTTP/1.1 204 No Content\r\n\r\nextra", true, "", 204},
      {"100 before the answer", "HTTP/1.1 100 Continue\r\nX: y\r\n\r\n" + Counted("200 OK", "ok"),
       false, "ok", 200},
      {"103 before the answer",
       "HTTP/1.1 103 Early Hints\r\nLink: </a.css>\r\n\r\n" + Counted("200 OK", "ok"), false, "ok",
       200},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const Outcome got = FetchOnce(r.reply, r.serverCloses);
    EXPECT_EQ(got.error, "");
    EXPECT_EQ(got.body, r.body);
    EXPECT_EQ(got.status, r.status);
  }
}

TEST_F(HTTPTest, ChunkedBodyReportsChunkStartedAndOneBracketPerChunk) {
  LoopbackServer server(Serve(
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n"}));
  std::vector<std::string> statuses;
  std::vector<int> brackets;
  client.OnStatus = [&](TComponent&, TStatus, const std::string& text) {
    statuses.push_back(text);
  };
  client.OnWorkBegin = [&](TComponent&, TWorkMode mode, int max) {
    if (mode == WorkRead) brackets.push_back(max);
  };
  client.Get(Url(server, "/"), body);
  EXPECT_EQ(body.DataString(), "abcde");
  EXPECT_EQ(brackets, (std::vector<int>{3, 2}));
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Chunk Started"), statuses.end());
}

TEST_F(HTTPTest, FollowedRedirectWritesTheFinalBodyWhereTheStreamStood) {
  std::string location;  // set before the client connects
  LoopbackServer server([&location](PeerSession& s) {
    if (!ReadRequestHead(s)) return;
    s.Send(Counted("302 Found", "moved", "Location: " + location + "\r\n"));
    if (!ReadRequestHead(s)) return;
    s.Send(Counted("200 OK", "final"));
  });
  location = Url(server, "/new%20place");
  client.HandleRedirects = true;
  std::string seen;
  client.OnRedirect = [&](THTTP&, std::string& dest, int&, bool&, THTTPMethod&) { seen = dest; };
  body.WriteString("kept:");
  client.Get(Url(server, "/old"), body);
  Finish(server);
  EXPECT_EQ(seen, Url(server, "/new place"));
  EXPECT_EQ(body.DataString(), "kept:final");
  EXPECT_NE(server.Received().find("GET /new%20place HTTP/1.1\r\n"), std::string::npos);
}

TEST_F(HTTPTest, ErrorStatusKeepsThePageAndTheConnection) {
  LoopbackServer server(Serve({Counted("404 Not Found", "not here!"), Counted("200 OK", "feed")}));
  try {
    client.Get(Url(server, "/missing"), body);
    ADD_FAILURE() << "no exception";
  } catch (const net::EProtocolReplyError& e) {
    EXPECT_EQ(e.ErrorReplyCode(), 404);
    EXPECT_EQ(e.Message(), "404 Not Found");
  }
  EXPECT_EQ(body.DataString(), "not here!");
  TMemoryStream second;
  client.Get(Url(server, "/feed"), second);
  EXPECT_EQ(second.DataString(), "feed");
  Finish(server);
  EXPECT_EQ(server.Accepted(), 1);
}

TEST_F(HTTPTest, UnansweredBasicChallengeSucceedsAndCredentialsStayWithThatServer) {
  const std::string challenge =
      Counted("401 Unauthorized", "login first", "WWW-Authenticate: Basic realm=\"news\"\r\n");
  LoopbackServer asking(Serve({challenge, Counted("200 OK", "again")}));
  LoopbackServer other(Serve({Counted("200 OK", "other")}));
  client.Get(Url(asking, "/"), body);
  EXPECT_EQ(client.StatusCode(), 401);
  EXPECT_EQ(body.DataString(), "login first");
  TMemoryStream second;
  client.Get(Url(asking, "/"), second);
  TMemoryStream third;
  client.Get(Url(other, "/"), third);
  Finish(asking);
  Finish(other);
  // An empty user name and password: base64 of ":".
  EXPECT_NE(asking.Received().find("Authorization: Basic Og==\r\n"), std::string::npos);
  EXPECT_EQ(other.Received().find("Authorization"), std::string::npos);
}

TEST_F(HTTPTest, AuthorizationHandlerRetriesWithItsCredentials) {
  const std::string challenge =
      Counted("401 Unauthorized", "login first", "WWW-Authenticate: Basic realm=\"news\"\r\n");
  LoopbackServer server(Serve({challenge, Counted("200 OK", "welcome")}));
  int asked = 0;
  client.OnAuthorization = [&](THTTP&, std::string& user, std::string& password, bool& handled) {
    ++asked;
    user = "user";
    password = "pw";
    handled = true;
  };
  client.Get(Url(server, "/"), body);
  Finish(server);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(body.DataString(), "welcome");
  EXPECT_NE(
      server.Received().find("GET / HTTP/1.1\r\nConnection: Keep-Alive\r\nHost: 127.0.0.1\r\n" +
                             kHead + "Authorization: Basic dXNlcjpwdw==\r\n\r\n"),
      std::string::npos)
      << server.Received();
}

TEST_F(HTTPTest, ConnectionIsReusedForTheSameServerOnly) {
  LoopbackServer server(Serve({Counted("200 OK", "1"), Counted("200 OK", "2")}), 1);
  client.Get(Url(server, "/a.xml"), body);
  // Without "://" the text is a path on the previous request's server.
  client.Get("h/feed.xml", body);
  EXPECT_EQ(body.DataString(), "12");
  client.Disconnect();
  server.Join();
  EXPECT_EQ(server.Accepted(), 1);
  EXPECT_EQ(server.Received(), "GET /a.xml HTTP/1.1\r\nHost: 127.0.0.1\r\n" + kHead + "\r\n" +
                                   "GET /h/feed.xml HTTP/1.1\r\nHost: 127.0.0.1\r\n" + kHead +
                                   "\r\n");

  // Another host name is another server: the open connection is closed first (the server
  // below serves one connection at a time, so a kept one would stall the second).
  LoopbackServer twoHosts(Serve({Counted("200 OK", "1"), Counted("200 OK", "never")}), 2);
  client.Get(Url(twoHosts, "/"), body);
  client.Get(Url(twoHosts, "/", "localhost"), body);
  Finish(twoHosts);
  EXPECT_EQ(twoHosts.Accepted(), 2);
  EXPECT_NE(twoHosts.Received().find("Host: localhost\r\n"), std::string::npos);
}

// The server closes its kept connection just as the second request arrives, in the way of
// each row; a request that got no byte of an answer goes again once on a new connection.
TEST_F(HTTPTest, AKeptConnectionClosedUnderTheRequestIsReplacedOnce) {
  enum class TClose { Quietly, WithReset, AfterHalfALine };
  struct Row {
    const char* name;
    TClose close;
    bool fetched;  // the second Get succeeds on a second connection
  };
  const Row rows[] = {
      {"close without an answer", TClose::Quietly, true},
      {"reset without an answer", TClose::WithReset, true},
      {"close after half a status line", TClose::AfterHalfALine, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    int connection = 0;
    LoopbackServer server(
        [&, close = r.close](PeerSession& s) {
          if (++connection > 1) {
            if (ReadRequestHead(s)) s.Send(Counted("200 OK", "2"));
            return;
          }
          if (!ReadRequestHead(s)) return;
          s.Send(Counted("200 OK", "1"));
          if (!ReadRequestHead(s)) return;
          if (close == TClose::AfterHalfALine) s.Send("HTTP/1.1 2");
          if (close == TClose::WithReset) {
            const linger reset{1, 0};
            ::setsockopt(s.Fd(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
          }
          s.Close();
        },
        r.fetched ? 2 : 1);
    THTTP fresh;
    fresh.ReadTimeout = 5000;
    TMemoryStream got;
    fresh.Get(Url(server, "/a"), got);
    if (r.fetched) {
      fresh.Get(Url(server, "/a"), got);
      EXPECT_EQ(got.DataString(), "12");
    } else {
      EXPECT_THROW(fresh.Get(Url(server, "/a"), got), EConnClosedGracefully);
    }
    fresh.Disconnect();
    server.Join();
    EXPECT_EQ(server.Accepted(), r.fetched ? 2 : 1);
  }
}

TEST_F(HTTPTest, ServerThatClosesIsBelieved) {
  struct Row {
    const char* name;
    std::string reply;
    bool serverCloses;
  };
  const Row rows[] = {
      {"says close", Counted("200 OK", "ok", "Connection: close\r\n"), false},
      {"closes without saying", Counted("200 OK", "ok"), true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::atomic<int> closed{0};
    LoopbackServer server(Serve({r.reply}, r.serverCloses, &closed), 2);
    THTTP fresh;
    fresh.ReadTimeout = 5000;
    TMemoryStream stream;
    fresh.Get(Url(server, "/"), stream);
    for (int i = 0; i < 500 && closed == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    fresh.Get(Url(server, "/"), stream);
    EXPECT_EQ(stream.DataString(), "okok");
    fresh.Disconnect();
    server.Join();
    EXPECT_EQ(server.Accepted(), 2);
  }
}

TEST_F(HTTPTest, RequestsThatFailBeforeAnythingIsSent) {
  const std::string hostPort = "127.0.0.1:" + std::to_string(test::UnusedLoopbackPort());
  struct Row {
    std::string url, message;
  };
  // An I/O layer set by the program is kept, so "https" needs it to be a TLS layer.
  net::TIOHandlerSocket plain;
  client.SetIOHandler(&plain);
  const Row rows[] = {
      {"https://" + hostPort + "/feed.xml", "IOHandler value is not valid"},
      {"HTTPS://" + hostPort + "/feed.xml", "IOHandler value is not valid"},
      {"http://127.0.0.1:65536/feed.xml", "Invalid port number '65536'"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.url);
    try {
      client.Get(r.url, body);
      ADD_FAILURE() << "no exception";
    } catch (const ENetException& e) {
      EXPECT_EQ(e.Message(), r.message);
    }
    EXPECT_FALSE(client.Connected());
  }
  EXPECT_THROW(client.Get(rows[0].url, body), EInterceptPropInvalid);
}

TEST_F(HTTPTest, FailuresKeepWhatArrived) {
  const std::string ok = "HTTP/1.1 200 OK\r\n";
  struct Row {
    const char* name;
    std::string reply;
    bool serverCloses;
    std::string error;
    int code;          // of an EProtocolReplyError, else 0
    std::string body;  // what stays in the stream
    bool connected;    // a response read to its end keeps the connection
  };
  const Row rows[] = {
      {"301 not followed", Counted("301 Moved Permanently", "moved", "Location: http://x/\r\n"),
       false, "301 Moved Permanently", 301, "moved", true},
      {"200 with Location", Counted("200 OK", "moved", "Location: /elsewhere\r\n"), false, "200 OK",
       200, "moved", true},
      {"status without a code", "HTTP/1.1 OK fine\r\n\r\n", false,
       "'OK' is not a valid integer value", 0, "", false},
      {"closed before the status line", "", true, "Connection Closed Gracefully.", 0, "", false},
      {"closed inside a counted body", ok + "Content-Length: 10\r\n\r\nabcd", true,
       "Connection Closed Gracefully.", 0, "abcd", false},
      {"chunk size too large", ok + "Transfer-Encoding: chunked\r\n\r\n80000000\r\n", false,
       "Chunk size exceeds 31 bits: '80000000'", 0, "", false},
      {"chunk size no number", ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\n", false,
       "Invalid chunk size line 'zz'", 0, "", false},
      {"declared body over the default limit", ok + "Content-Length: 67108865\r\n\r\n", false,
       "Response body exceeds 64 MiB", 0, "", false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const Outcome got = FetchOnce(r.reply, r.serverCloses);
    EXPECT_EQ(got.error, r.error);
    EXPECT_EQ(got.code, r.code);
    EXPECT_EQ(got.body, r.body);
    EXPECT_EQ(got.connected, r.connected);
  }
}

TEST_F(HTTPTest, ResponseLimitsPassAtTheLimitAndFailBeyond) {
  auto lines = [](int count) {
    std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n";
    for (int i = 1; i < count; ++i) head += "X-" + std::to_string(i) + ": v\r\n";
    return head + "\r\n";
  };
  auto bytes = [](std::size_t total) {
    const std::string fixed = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nX: \r\n\r\n";
    return "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nX: " + std::string(total - fixed.size(), 'v') +
           "\r\n\r\n";
  };
  const std::string ok = "HTTP/1.1 200 OK\r\n";
  const std::string chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
  struct Row {
    const char* name;
    std::string reply;
    std::string error;  // "" = passes
    std::size_t kept;   // body bytes in the stream
  };
  const Row rows[] = {
      {"100 header lines", lines(100), "", 0},
      {"101 header lines", lines(101), "Response header exceeds 100 lines", 0},
      {"64 KiB head", bytes(64 * 1024), "", 0},
      {"64 KiB and one byte", bytes(64 * 1024 + 1), "Response header exceeds 64 KiB", 0},
      {"counted body at the limit", Counted("200 OK", std::string(1000, 'b')), "", 1000},
      {"counted body over it", Counted("200 OK", std::string(1001, 'b')),
       "Response body exceeds 1000 bytes", 0},
      {"chunks at the limit",
       chunked + "258\r\n" + std::string(600, 'b') + "\r\n190\r\n" + std::string(400, 'b') +
           "\r\n0\r\n\r\n",
       "", 1000},
      {"chunks over it",
       chunked + "258\r\n" + std::string(600, 'b') + "\r\n191\r\n" + std::string(401, 'b') +
           "\r\n0\r\n\r\n",
       "Response body exceeds 1000 bytes", 600},
      {"until close at the limit", ok + "\r\n" + std::string(1000, 'b'), "", 1000},
      {"until close over it", ok + "\r\n" + std::string(5000, 'b'),
       "Response body exceeds 1000 bytes", 1000},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const Outcome got = FetchOnce(r.reply, true, 1000);
    EXPECT_EQ(got.error, r.error);
    EXPECT_EQ(got.body, std::string(r.kept, 'b'));
  }
}

TEST_F(HTTPTest, CookiesComeBackOnTheNextRequest) {
  LoopbackServer server(
      Serve({Counted("200 OK", "1", "Set-Cookie: id=42; path=/\r\n"), Counted("200 OK", "2")}));
  client.Get(Url(server, "/feeds/a.xml"), body);
  EXPECT_TRUE(client.OwnsCookieManager());
  client.Get(Url(server, "/feeds/b.xml"), body);
  Finish(server);
  EXPECT_NE(server.Received().find("User-Agent: Mozilla/3.0 (compatible; Quillpost)\r\n"
                                   "Cookie: id=42\r\n\r\n"),
            std::string::npos)
      << server.Received();
}

TEST_F(HTTPTest, AssignedCookieManagerMayGoFirst) {
  {
    TCookieManager manager;
    client.SetCookieManager(&manager);
    EXPECT_EQ(client.CookieManager(), &manager);
    EXPECT_FALSE(client.OwnsCookieManager());
  }
  EXPECT_EQ(client.CookieManager(), nullptr);
}

// A server that answers one request of each connection with the reply, for connections
// connections one after another.
LoopbackServer::Handler ServeEach(std::string reply) {
  return [reply = std::move(reply)](PeerSession& s) {
    if (!ReadRequestHead(s)) return;
    s.Send(reply);
    s.Close();
  };
}

class HTTPSTest : public HTTPTest {
 protected:
  HTTPSTest() : PKI(Dir.Path()), Certificate(PKI.Issue("web", "DNS:localhost")) {
    client.CAFile = PKI.CAFile();
  }
  test::TempDir Dir;
  test::TestPKI PKI;
  test::CertificateFiles Certificate;
};

TEST_F(HTTPSTest, GetOverTLSReadsEveryFraming) {
  struct Row {
    const char* name;
    std::string reply;
  };
  const Row rows[] = {
      {"counted", Counted("200 OK", "<rss>secure</rss>")},
      {"chunked",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n6\r\n<rss>s\r\nb\r\necure</rss>\r\n"
       "0\r\n\r\n"},
      {"until the close", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n<rss>secure</rss>"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server(ServeEach(r.reply));
    test::TLSFront front(Certificate, server.Port());
    TMemoryStream stream;
    client.Get("HTTPS://localhost:" + std::to_string(front.Port()) + "/feed.xml", stream);
    EXPECT_EQ(stream.DataString(), "<rss>secure</rss>");
    EXPECT_EQ(client.RequestURI().Protocol, "HTTPS");
    client.Disconnect();
    server.Join();
    EXPECT_EQ(server.Received(), "GET /feed.xml HTTP/1.1\r\nHost: localhost\r\n" + kHead + "\r\n");
  }
}

TEST_F(HTTPSTest, RedirectFromHttpToHttpsOnAnotherPort) {
  LoopbackServer secure(ServeEach(Counted("200 OK", "moved feed")));
  test::TLSFront front(Certificate, secure.Port());
  const std::string target = "https://localhost:" + std::to_string(front.Port()) + "/feed.xml";
  LoopbackServer old(
      ServeEach(Counted("301 Moved Permanently", "see there", "Location: " + target + "\r\n")));
  client.HandleRedirects = true;
  std::vector<std::string> moves;
  client.OnRedirect = [&](THTTP&, std::string& dest, int&, bool&, THTTPMethod&) {
    moves.push_back(dest);
  };
  client.Get(Url(old, "/rss"), body);
  EXPECT_EQ(body.DataString(), "moved feed");
  EXPECT_EQ(moves, (std::vector<std::string>{target}));
  EXPECT_EQ(client.Port, front.Port());
  client.Disconnect();
  secure.Join();
  EXPECT_EQ(secure.Received(), "GET /feed.xml HTTP/1.1\r\nHost: localhost\r\n" + kHead + "\r\n");
}

// The known fault: "/x" was split as a path and requested as "//x".
TEST_F(HTTPTest, RelativeLocationsAreTakenAgainstTheRequest) {
  struct Row {
    const char* location;
    std::string requestLine;
  };
  const Row rows[] = {
      {"/x", "GET /x HTTP/1.1"},
      {"x.xml", "GET /dir/x.xml HTTP/1.1"},
      {"../up.xml", "GET /up.xml HTTP/1.1"},
      {"?page=2", "GET /dir/feed.xml?page=2 HTTP/1.1"},
      {"//127.0.0.1:PORT/other/", "GET /other/ HTTP/1.1"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.location);
    std::string location = r.location;
    LoopbackServer server([&location](PeerSession& s) {
      if (!ReadRequestHead(s)) return;
      s.Send(Counted("302 Found", "", "Location: " + location + "\r\n"));
      if (!ReadRequestHead(s)) return;
      s.Send(Counted("200 OK", "there"));
    });
    const std::size_t port = location.find("PORT");
    if (port != std::string::npos) location.replace(port, 4, std::to_string(server.Port()));
    THTTP fresh;
    fresh.ReadTimeout = 5000;
    fresh.HandleRedirects = true;
    TMemoryStream stream;
    fresh.Get(Url(server, "/dir/feed.xml"), stream);
    EXPECT_EQ(stream.DataString(), "there");
    fresh.Disconnect();
    server.Join();
    EXPECT_NE(server.Received().find("\r\n\r\n" + r.requestLine + "\r\n"), std::string::npos)
        << server.Received();
  }
}

TEST_F(HTTPTest, ARedirectToAnotherHostCarriesNoCredentialsOrCookies) {
  const std::string challenge =
      Counted("401 Unauthorized", "who?", "WWW-Authenticate: Basic realm=\"b\"\r\n");
  LoopbackServer other(ServeEach(challenge));
  const std::string target = "http://localhost:" + std::to_string(other.Port()) + "/feed";
  LoopbackServer first(ServeEach(
      Counted("302 Found", "", "Set-Cookie: session=s3cret\r\nLocation: " + target + "\r\n")));
  client.HandleRedirects = true;
  client.Request.BasicAuthentication = true;
  int asked = 0;
  std::string offeredUser;
  client.OnAuthorization = [&](THTTP&, std::string& user, std::string&, bool& handled) {
    ++asked;
    offeredUser = user;
    handled = false;
  };
  client.Get("http://joe:pw@127.0.0.1:" + std::to_string(first.Port()) + "/feed", body);
  EXPECT_EQ(client.StatusCode(), 401);
  EXPECT_EQ(asked, 1) << "the other host's challenge goes to the program";
  EXPECT_EQ(offeredUser, "");
  EXPECT_EQ(client.Request.Username, "joe") << "kept for the host they came with";
  client.Disconnect();
  first.Join();
  other.Join();
  EXPECT_NE(first.Received().find("Authorization: Basic am9lOnB3\r\n"), std::string::npos);
  EXPECT_EQ(other.Received(), "GET /feed HTTP/1.1\r\nHost: localhost\r\n" + kHead + "\r\n");
}

TEST_F(HTTPTest, ARedirectLoopFailsAtTheLimit) {
  LoopbackServer server(ServeEach(Counted("302 Found", "again", "Location: /loop\r\n")), 3);
  client.HandleRedirects = true;
  client.RedirectMaximum = 3;
  try {
    client.Get(Url(server, "/loop"), body);
    ADD_FAILURE() << "no exception";
  } catch (const net::EProtocolReplyError& e) {
    EXPECT_EQ(e.ErrorReplyCode(), 302);
    EXPECT_EQ(e.Message(), "302 Found: stopped after 2 redirects");
  }
  client.Disconnect();
  server.Join();
  EXPECT_EQ(server.Accepted(), 3);
}

}  // namespace
}  // namespace qp::http
