#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/Component.h"
#include "net/SocketHandle.h"
#include "net/Socks.h"
#include "net/Stack.h"
#include "net/TCPConnection.h"
#include "support/LoopbackServer.h"

namespace qp::net {
namespace {

TEST(SocketErrorText, FixedForm) {
  struct Row {
    const char* name;
    int code;
    std::string message;
  };
  const Row rows[] = {
      {"refused", 10061, "Socket Error # 10061\r\nConnection refused."},
      {"timed out", 10060, "Socket Error # 10060\r\nConnection timed out."},
      {"host not found has no text", 11001, "Socket Error # 11001\r\n"},
      {"no address has no text", 11004, "Socket Error # 11004\r\n"},
      {"would block keeps its trailing space", 10035,
       "Socket Error # 10035\r\nOperation would block. "},
      {"no full stop", 10066, "Socket Error # 10066\r\nDirectory not empty"},
      {"unknown", 42, "Socket Error # 42\r\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(SocketErrorText(r.code), r.message);
    const ESocketError error(r.code);
    EXPECT_EQ(error.Message(), r.message);
    EXPECT_EQ(error.SocketErrorCode(), r.code);
  }
}

TEST(IsIPLiteral, CutsAtTheFirstThreeDots) {
  struct Row {
    const char* name;
    std::string text;
    bool literal;
  };
  const Row rows[] = {
      {"private", "10.0.0.1", true},      {"any", "0.0.0.0", true},
      {"loopback", "127.0.0.1", true},    {"byte overflow", "256.1.1.1", false},
      {"three parts", "1.2.3", false},    {"empty fourth", "1.2.3.", false},
      {"five parts", "1.2.3.4.5", false}, {"host name", "news.example.org", false},
      {"localhost", "localhost", false},  {"empty", "", false},
      {"negative", "1.-2.3.4", false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(TStack::IsIPLiteral(r.text), r.literal);
  }
}

TEST(TextToAddress, RoundTripsAndRefusesGarbage) {
  uint8_t bytes[4];
  TStack::TextToAddress("192.168.1.20", bytes);
  EXPECT_EQ(TStack::AddressToText(bytes), "192.168.1.20");
  EXPECT_THROW(TStack::TextToAddress("1.2.x.4", bytes), EConvertError);
  EXPECT_THROW(TStack::TextToAddress("1.2.3", bytes), EConvertError);
  EXPECT_THROW(TStack::TextToAddress("1.2.3.300", bytes), EConvertError);
}

TEST(ByteOrder, PortsAndIntegersAreBigEndianOnTheWire) {
  const uint16_t port = TStack::HToNs(0x1234);
  const auto* p = reinterpret_cast<const uint8_t*>(&port);
  EXPECT_EQ(p[0], 0x12);
  EXPECT_EQ(TStack::NToHs(port), 0x1234);
  EXPECT_EQ(TStack::NToHl(TStack::HToNl(0x01020304u)), 0x01020304u);
}

// A component keeps the stack alive for the stack-level tests.
class StackTest : public ::testing::Test {
 protected:
  TStackReference FKeepAlive;
  TStack& Stack() { return GStack(); }
};

TEST_F(StackTest, ResolvesWithoutLookupForLocalhostAndLiterals) {
  EXPECT_EQ(Stack().ResolveHostAddress("LocalHost"), "127.0.0.1");
  EXPECT_EQ(Stack().ResolveHostAddress("10.1.2.3"), "10.1.2.3");
}

TEST_F(StackTest, FailedLookupRaisesHostNotFound) {
  // The reserved top-level domain .invalid never resolves (RFC 2606).
  try {
    Stack().ResolveHostAddress("no-such-host.invalid");
    FAIL() << "no exception";
  } catch (const ESocketError& e) {
    EXPECT_TRUE(e.SocketErrorCode() == wsaHOST_NOT_FOUND || e.SocketErrorCode() == wsaTRY_AGAIN ||
                e.SocketErrorCode() == wsaNO_DATA)
        << e.SocketErrorCode();
  }
}

TEST_F(StackTest, CheckSocketResultIgnoresListedErrors) {
  TSocketHandle handle;
  handle.OpenSocket();
  handle.SetRemote("127.0.0.1", test::UnusedLoopbackPort());
  const int result = handle.ConnectRemote();
  EXPECT_EQ(result, SocketError);
  EXPECT_EQ(Stack().WSGetLastError(), wsaECONNREFUSED);
  EXPECT_TRUE(Stack().CheckSocketResult(result, {wsaECONNREFUSED}));
  try {
    Stack().CheckSocketResult(result, {wsaEBADF});
    FAIL() << "no exception";
  } catch (const ESocketError& e) {
    EXPECT_EQ(e.SocketErrorCode(), 10061);
  }
  EXPECT_FALSE(Stack().CheckSocketResult(0));
}

TEST_F(StackTest, WaitForReadableRefusesMoreThan64Sockets) {
  TSocketList list(65, 0);
  try {
    Stack().WaitForReadable(list, 0);
    FAIL() << "no exception";
  } catch (const EStackSetSizeExceeded& e) {
    EXPECT_EQ(e.Message(), "Set Size Exceeded.");
  }
}

TEST_F(StackTest, WaitForReadableKeepsOnlyReadySockets) {
  int pairA[2];
  int pairB[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pairA), 0);
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pairB), 0);
  ASSERT_EQ(::write(pairB[1], "x", 1), 1);
  TSocketList list{pairA[0], pairB[0]};
  EXPECT_EQ(Stack().WaitForReadable(list, 1000), 1);
  EXPECT_EQ(list, TSocketList{pairB[0]});
  TSocketList silent{pairA[0]};
  EXPECT_EQ(Stack().WaitForReadable(silent, 10), 0);
  for (int fd : {pairA[0], pairA[1], pairB[0], pairB[1]}) ::close(fd);
}

TEST_F(StackTest, BindLocalWithoutRangeTakesASystemPort) {
  TSocketHandle handle;
  handle.OpenSocket();
  handle.IP = "127.0.0.1";
  handle.BindLocal();
  EXPECT_TRUE(handle.Allocated());
  EXPECT_GT(handle.Port, 0);
  EXPECT_EQ(handle.IP, "127.0.0.1");
  handle.ReleaseSocket(true);
  EXPECT_FALSE(handle.Allocated());
  EXPECT_EQ(handle.Handle(), InvalidSocket);
  EXPECT_EQ(handle.Port, 0);
  EXPECT_EQ(handle.IP, "");
}

TEST_F(StackTest, BindLocalPortRangeErrors) {
  TSocketHandle handle;
  handle.OpenSocket();
  handle.ClientPortMin = 2000;
  handle.ClientPortMax = 1999;
  try {
    handle.BindLocal();
    FAIL() << "no exception";
  } catch (const EInvalidPortRange& e) {
    EXPECT_EQ(e.Message(), "Invalid Port Range (2000 - 1999)");
  }

  // A range of one port that a listening socket holds cannot be bound.
  test::LoopbackServer server([](test::PeerSession&) {}, 0);
  handle.IP = "127.0.0.1";
  handle.ClientPortMin = server.Port();
  handle.ClientPortMax = server.Port();
  try {
    handle.BindLocal();
    FAIL() << "no exception";
  } catch (const ECanNotBindPortInRange& e) {
    EXPECT_EQ(e.Message(),
              Format("Can not bind in port range (%d - %d)", server.Port(), server.Port()));
  }

  TSocketHandle fixed;
  fixed.OpenSocket();
  fixed.IP = "127.0.0.1";
  fixed.Port = server.Port();
  EXPECT_THROW(fixed.BindLocal(), ECouldNotBindSocket);
}

TEST_F(StackTest, BindLocalTakesTheHighestFreePortOfTheRange) {
  const int port = test::UnusedLoopbackPort();
  TSocketHandle handle;
  handle.OpenSocket();
  handle.IP = "127.0.0.1";
  handle.ClientPortMin = port - 1;
  handle.ClientPortMax = port;
  handle.BindLocal();
  EXPECT_TRUE(handle.Port == port || handle.Port == port - 1);
}

TEST_F(StackTest, WaitReadableWithoutSocketIsAGracefulClose) {
  TSocketHandle handle;
  try {
    handle.WaitReadable(10);
    FAIL() << "no exception";
  } catch (const EConnClosedGracefully& e) {
    EXPECT_EQ(e.Message(), "Connection Closed Gracefully.");
  }
}

TEST(StackLifetime, LivesFromFirstToLastTransportComponent) {
  {
    TSocksInfo first;
    TStack* stack = &GStack();
    {
      TTCPConnection second;
      EXPECT_EQ(&GStack(), stack);
      // Components that are not part of the transport do not keep it alive.
      TComponent plain;
    }
    EXPECT_EQ(&GStack(), stack);
  }
  EXPECT_THROW(GStack(), EStackError);
}

}  // namespace
}  // namespace qp::net
