#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

#include "net/AntiFreeze.h"
#include "net/IOHandlerTLS.h"
#include "net/NetExceptions.h"
#include "net/TCPClient.h"
#include "support/LoopbackServer.h"
#include "support/SocksScript.h"
#include "support/TLSPeer.h"
#include "support/TempDir.h"

namespace qp::net {
namespace {

using test::LoopbackServer;
using test::PeerSession;
using test::TLSFront;

// Says two lines and waits for the client to close.
LoopbackServer::Handler TwoLines() {
  return [](PeerSession& s) { s.Send("200 one\r\n201 two\r\n"); };
}

class TLSTest : public ::testing::Test {
 protected:
  TLSTest() : PKI(Dir.Path()), Good(PKI.Issue("good", "DNS:localhost,IP:127.0.0.1")) {}

  void Aim(TTCPClient& client, const std::string& host, int port) {
    client.Host = host;
    client.Port = port;
    client.UseTLS = true;
    client.CAFile = PKI.CAFile();
    client.ReadTimeout = 10000;
  }

  test::TempDir Dir;
  test::TestPKI PKI;
  test::CertificateFiles Good;
};

TEST_F(TLSTest, LinesOverTLSEndLikeAPlainClose) {
  struct Row {
    const char* name;
    std::string host;
    test::TLSClose close;
  };
  const Row rows[] = {
      {"host name, close_notify", "localhost", test::TLSClose::CloseNotify},
      {"address, close without close_notify", "127.0.0.1", test::TLSClose::Abrupt},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server([](PeerSession& s) {
      if (s.ReadLine() == "hello") s.Send("200 one\r\n201 two\r\n202 half");
      s.Close();
    });
    TLSFront front(Good, server.Port(), 1, r.close);
    TTCPClient client;
    Aim(client, r.host, front.Port());
    client.Connect();
    ASSERT_NE(dynamic_cast<TIOHandlerTLS*>(client.IOHandler()), nullptr);
    client.WriteLn("hello");
    EXPECT_EQ(client.ReadLn(), "200 one");
    EXPECT_EQ(client.ReadLn(), "201 two");
    EXPECT_THROW(client.ReadLn(), EConnClosedGracefully);
    EXPECT_FALSE(client.Connected());
    server.Join();
    EXPECT_EQ(server.Received(), "hello\r\n");
  }
}

TEST_F(TLSTest, CertificatesThatDoNotVerifyNameTheHostAndTheReason) {
  struct Row {
    const char* name;
    test::CertificateFiles certificate;
    std::string host;
    bool trustCA;
    std::string message;
  };
  const Row rows[] = {
      {"self-signed", PKI.Issue("self", "DNS:localhost", -1, 30, true), "localhost", true,
       "TLS: certificate verify failed for localhost: self-signed certificate"},
      {"wrong host name", PKI.Issue("other", "DNS:news.example"), "localhost", true,
       "TLS: certificate verify failed for localhost: hostname mismatch"},
      {"wrong address", PKI.Issue("named", "DNS:localhost"), "127.0.0.1", true,
       "TLS: certificate verify failed for 127.0.0.1: IP address mismatch"},
      {"expired", PKI.Issue("expired", "DNS:localhost", -30, -1), "localhost", true,
       "TLS: certificate verify failed for localhost: certificate has expired"},
      {"CA not trusted", Good, "localhost", false,
       "TLS: certificate verify failed for localhost: unable to get local issuer certificate"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server(TwoLines());
    TLSFront front(r.certificate, server.Port());
    TTCPClient client;
    Aim(client, r.host, front.Port());
    if (!r.trustCA) client.CAFile.clear();
    try {
      client.Connect();
      ADD_FAILURE() << "connected";
    } catch (const ETLSCertificateError& e) {
      EXPECT_EQ(e.Message(), r.message);
    }
    EXPECT_FALSE(client.Connected());
  }
}

TEST_F(TLSTest, HandshakeFailuresNameTheHostAndTheReason) {
  struct Row {
    const char* name;
    LoopbackServer::Handler server;
    std::string message;
  };
  const Row rows[] = {
      {"closes during the handshake",
       [](PeerSession& s) {
         s.ReadBytes(5);
         s.Close();
       },
       "TLS: handshake with localhost failed: the server closed the connection"},
      {"answers in plain text",
       [](PeerSession& s) {
         s.ReadBytes(5);
         s.Send("200 plain news server ready\r\n");
         s.WaitClosed();
       },
       "TLS: handshake with localhost failed: wrong version number"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server(r.server);
    TTCPClient client;
    Aim(client, "localhost", server.Port());
    try {
      client.Connect();
      ADD_FAILURE() << "connected";
    } catch (const ETLSError& e) {
      EXPECT_EQ(typeid(e), typeid(ETLSError));
      EXPECT_EQ(e.Message(), r.message);
    }
    EXPECT_FALSE(client.Connected());
  }
}

TEST_F(TLSTest, HandshakeAndReadsKeepTheirTimeLimits) {
  // A server that never answers the hello: the connect's limit ends the handshake.
  LoopbackServer mute([](PeerSession& s) { s.WaitClosed(); });
  TTCPClient client;
  Aim(client, "localhost", mute.Port());
  try {
    client.Connect(300);
    ADD_FAILURE() << "connected";
  } catch (const EConnectTimeout& e) {
    EXPECT_EQ(e.Message(), "TLS: handshake with localhost timed out.");
  }

  // A server silent after the handshake: the read time-out, and an explicit time-out.
  LoopbackServer silent([](PeerSession& s) { s.WaitClosed(); });
  TLSFront front(Good, silent.Port());
  TTCPClient reader;
  Aim(reader, "localhost", front.Port());
  reader.ReadTimeout = 300;
  reader.Connect();
  EXPECT_EQ(reader.ReadLn("", 200), "");
  EXPECT_TRUE(reader.ReadTimedOut());
  try {
    reader.ReadLn();
    ADD_FAILURE() << "read a line";
  } catch (const EReadTimeout& e) {
    EXPECT_EQ(e.Message(), "Read Timeout");
  }
  EXPECT_TRUE(reader.Connected());
}

TEST_F(TLSTest, WaitsPumpTheWindowWhileNothingArrives) {
  RecordMainThread();
  int pumps = 0;
  SetAntiFreezePump([&](bool) { ++pumps; });
  {
    TAntiFreeze antiFreeze;
    antiFreeze.IdleTimeOut = 50;
    LoopbackServer silent([](PeerSession& s) { s.WaitClosed(); });
    TLSFront front(Good, silent.Port());
    TTCPClient client;
    Aim(client, "localhost", front.Port());
    client.Connect();
    pumps = 0;
    EXPECT_EQ(client.ReadLn("", 400), "");
    EXPECT_GE(pumps, 4) << "one pump per idle slice";
  }
  SetAntiFreezePump(nullptr);
}

TEST_F(TLSTest, TLSThroughASocks5Proxy) {
  LoopbackServer server(TwoLines());
  TLSFront front(Good, server.Port(), 0);
  std::string target;
  LoopbackServer proxy(test::Socks5Granting(target, [&](PeerSession& s) {
    front.ServeOn(::dup(s.Fd()));
    s.Close();
  }));
  TTCPClient client;
  Aim(client, "localhost", 563);
  client.SocksInfo().Version = svSocks5;
  client.SocksInfo().Host = "127.0.0.1";
  client.SocksInfo().Port = proxy.Port();
  client.Connect();
  EXPECT_EQ(client.ReadLn(), "200 one");
  EXPECT_EQ(client.ReadLn(), "201 two");
  client.Disconnect();
  proxy.Join();
  EXPECT_EQ(target, "localhost:563") << "the name the certificate is checked against";
}

TEST_F(TLSTest, AnUnreadableCAFileIsNamed) {
  LoopbackServer server(TwoLines());
  TLSFront front(Good, server.Port());
  TTCPClient client;
  Aim(client, "localhost", front.Port());
  client.CAFile = Dir.File("missing.pem");
  try {
    client.Connect();
    ADD_FAILURE() << "connected";
  } catch (const ETLSError& e) {
    EXPECT_EQ(
        e.Message().rfind("TLS: cannot load the CA file " + Dir.File("missing.pem") + ": ", 0), 0u)
        << e.Message();
  }
}

TEST_F(TLSTest, AClientSwitchesBetweenPlainAndTLS) {
  LoopbackServer plain(TwoLines());
  LoopbackServer behind(TwoLines());
  TLSFront front(Good, behind.Port());
  TTCPClient client;
  Aim(client, "localhost", front.Port());
  client.Connect();
  EXPECT_EQ(client.ReadLn(), "200 one");
  client.DropSocket();
  client.UseTLS = false;
  client.Port = plain.Port();
  client.Connect();
  EXPECT_EQ(dynamic_cast<TIOHandlerTLS*>(client.IOHandler()), nullptr);
  EXPECT_EQ(client.ReadLn(), "200 one");
}

}  // namespace
}  // namespace qp::net
