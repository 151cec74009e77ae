#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "net/AntiFreeze.h"
#include "net/IOHandlerSocket.h"
#include "net/TCPClient.h"
#include "support/LoopbackServer.h"

namespace qp::net {
namespace {

using test::LoopbackServer;
using test::PeerSession;

// Counts the pumps of an anti-freeze for the duration of a test.
class AntiFreezeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordMainThread();
    SetAntiFreezePump([this](bool allPending) {
      ++FPumps;
      if (allPending) ++FFullPumps;
    });
  }
  void TearDown() override { SetAntiFreezePump(nullptr); }

  int FPumps = 0;
  int FFullPumps = 0;
};

TEST(Connect, RefusedWithoutAntiFreezeIsASocketError) {
  TTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = test::UnusedLoopbackPort();
  try {
    client.Connect();
    FAIL() << "no exception";
  } catch (const ESocketError& e) {
    EXPECT_EQ(e.SocketErrorCode(), 10061);
    EXPECT_EQ(e.Message(), "Socket Error # 10061\r\nConnection refused.");
  }
  EXPECT_FALSE(client.Connected());
}

TEST(Connect, TimedConnectUsesTheThreadEvenWithoutAntiFreeze) {
  TTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = test::UnusedLoopbackPort();
  try {
    client.Connect(5000);
    FAIL() << "no exception";
  } catch (const EConnectException& e) {
    EXPECT_EQ(e.Message(), SocketErrorText(10061));
  }
  LoopbackServer server([](PeerSession& peer) { peer.Send("hi\r\n"); });
  client.Port = server.Port();
  client.Connect(5000);
  EXPECT_EQ(client.ReadLn(), "hi");
}

// A listener whose accept queue is full: it drops further connection attempts, so a connect
// to it stays pending until it is given up.
class UnansweredPort {
 public:
  UnansweredPort() {
    for (int i = 0; i < 2; ++i) FFillers.push_back(test::ConnectLoopback(FListener.Port(), true));
    ::usleep(100 * 1000);
  }
  ~UnansweredPort() {
    for (int fd : FFillers) ::close(fd);
  }
  int Port() const { return FListener.Port(); }

 private:
  test::LoopbackListener FListener{0};
  std::vector<int> FFillers;
};

TEST(Connect, ConnectTimesOutWhenNobodyAnswers) {
  UnansweredPort port;
  TTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = port.Port();
  try {
    client.Connect(300);
    FAIL() << "connected although the queue is full";
  } catch (const EConnectTimeout& e) {
    EXPECT_EQ(e.Message(), "Connect timed out.");
  }
  EXPECT_FALSE(client.Connected());
}

TEST(Connect, StatusesForNamesAndLiterals) {
  struct Row {
    const char* name;
    std::string host;
    std::vector<std::string> statuses;
  };
  const Row rows[] = {
      {"literal", "127.0.0.1", {"Connecting to 127.0.0.1.", "Connected."}},
      {"name",
       "localhost",
       {"Resolving hostname localhost.", "Connecting to 127.0.0.1.", "Connected."}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server([](PeerSession& peer) { peer.WaitClosed(); });
    TTCPClient client;
    client.Host = r.host;
    client.Port = server.Port();
    std::vector<std::string> seen;
    std::vector<TComponent*> senders;
    client.OnStatus = [&](TComponent& sender, TStatus, const std::string& text) {
      seen.push_back(text);
      senders.push_back(&sender);
    };
    client.Connect();
    EXPECT_EQ(seen, r.statuses);
    // The connect-time statuses come from the I/O layer, the last one from the client.
    EXPECT_EQ(senders.front(), client.IOHandler());
    EXPECT_EQ(senders.back(), &client);
  }
}

// Settings assigned from an unowned object are copied and used: the proxy sees the greeting
// offering the login method, and its silent close fails the connect.
TEST(Connect, CopiedSocksSettingsReachTheProxy) {
  LoopbackServer server([](PeerSession& peer) {
    peer.ReadBytes(3);
    peer.Close();
  });
  TTCPClient client;
  client.Host = "news";
  client.Port = 119;
  TSocksInfo proxy;
  proxy.Version = svSocks5;
  proxy.Host = "127.0.0.1";
  proxy.Port = server.Port();
  proxy.Authentication = saUsernamePassword;
  proxy.Username = "u";
  proxy.Password = "p";
  client.SetSocksInfo(proxy);
  EXPECT_EQ(client.SocksInfo().Password, "p");
  EXPECT_EQ(client.SocksInfo().Authentication, saUsernamePassword);
  EXPECT_THROW(client.Connect(), ESocksServerRespondError);
  EXPECT_FALSE(client.Connected());
  server.Join();
  EXPECT_EQ(server.Received(), std::string("\x05\x01\x02", 3));
}

TEST_F(AntiFreezeTest, RefusedWithAntiFreezeIsAConnectException) {
  TAntiFreeze antiFreeze;
  TTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = test::UnusedLoopbackPort();
  try {
    client.Connect();
    FAIL() << "no exception";
  } catch (const EConnectException& e) {
    EXPECT_EQ(e.Message(), "Socket Error # 10061\r\nConnection refused.");
  }
  EXPECT_FALSE(client.Connected());
}

TEST_F(AntiFreezeTest, WaitsAreSlicedAndPumpedWhileIdle) {
  LoopbackServer server([](PeerSession& peer) { peer.WaitClosed(); });
  TAntiFreeze antiFreeze;
  antiFreeze.IdleTimeOut = 50;
  TTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.Connect();
  const int afterConnect = FPumps;
  EXPECT_EQ(client.ReadLn("", 200), "");
  EXPECT_TRUE(client.ReadTimedOut());
  EXPECT_EQ(FPumps - afterConnect, 4);
  EXPECT_EQ(FFullPumps, FPumps);

  // Sends pump only when OnlyWhenIdle is off; ApplicationHasPriority off pumps one event.
  const int beforeSends = FPumps;
  client.WriteLn("a");
  EXPECT_EQ(FPumps, beforeSends);
  antiFreeze.OnlyWhenIdle = false;
  antiFreeze.ApplicationHasPriority = false;
  client.WriteLn("b");
  EXPECT_EQ(FPumps, beforeSends + 1);
  EXPECT_EQ(FFullPumps, beforeSends);

  antiFreeze.Active = false;
  EXPECT_FALSE(AntiFreezeInUse());
  EXPECT_EQ(client.ReadLn("", 60), "");
  EXPECT_EQ(FPumps, beforeSends + 1);
}

// The anti-freeze lets a user command run in the middle of a wait; one that disconnects
// the same client frees the socket object the wait is using.
TEST_F(AntiFreezeTest, DisconnectFromAPumpedHandlerEndsTheWait) {
  struct Row {
    const char* name;
    int timeout;
  };
  const Row rows[] = {{"unlimited wait", -1}, {"explicit time-out", 1000}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server([](PeerSession& peer) { peer.WaitClosed(); });
    TAntiFreeze antiFreeze;
    antiFreeze.IdleTimeOut = 20;
    TTCPClient client;
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.Connect(5000);
    int disconnects = 0;
    SetAntiFreezePump([&](bool) {
      if (disconnects++ == 0) client.Disconnect();
    });
    EXPECT_THROW(client.ReadLn("", r.timeout), EConnClosedGracefully);
    EXPECT_EQ(disconnects, 1);
    EXPECT_FALSE(client.Connected());
    SetAntiFreezePump(nullptr);
  }
}

// A handler run between the slices of a timed connect that drops or disconnects the same
// client must not free the socket object the connect thread is using.
TEST_F(AntiFreezeTest, DroppingTheClientFromAPumpedHandlerEndsTheConnect) {
  struct Row {
    const char* name;
    bool disconnect;
  };
  const Row rows[] = {{"Disconnect", true}, {"DropSocket", false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    UnansweredPort port;
    TAntiFreeze antiFreeze;
    TTCPClient client;
    client.Host = "127.0.0.1";
    client.Port = port.Port();
    int pumps = 0;
    SetAntiFreezePump([&](bool) {
      if (pumps++ != 1) return;
      if (r.disconnect)
        client.Disconnect();
      else
        client.DropSocket();
    });
    EXPECT_THROW(client.Connect(), EConnClosedGracefully);
    EXPECT_EQ(pumps, 2);
    EXPECT_FALSE(client.Connected());
    SetAntiFreezePump(nullptr);
    // The client is usable again afterwards.
    LoopbackServer server([](PeerSession& peer) { peer.Send("hi\r\n"); });
    client.Port = server.Port();
    client.Connect();
    EXPECT_EQ(client.ReadLn(), "hi");
  }
}

// An anti-freeze whose clock advances a fixed step each time it is read, so the busy-pump
// rule can be checked without depending on how fast the machine is.
class TSteppingAntiFreeze : public TAntiFreeze {
 public:
  explicit TSteppingAntiFreeze(int stepMs) : FStep(stepMs) {}
  std::chrono::steady_clock::time_point Now() const override {
    FNow += std::chrono::milliseconds(FStep);
    return FNow;
  }

 private:
  int FStep;
  mutable std::chrono::steady_clock::time_point FNow{std::chrono::hours(1)};
};

TEST_F(AntiFreezeTest, WaitsThatFindDataPumpOncePerInterval) {
  struct Row {
    const char* name;
    int stepMs;
    int interval;
    bool onlyWhenIdle;
    int pumps;  // after ten waits that found data
  };
  const Row rows[] = {
      // Each wait reads the clock once, each pump once more: 40 ms per wait, 80 per pump.
      {"first wait pumps, then once per 100 ms", 40, 100, true, 4},
      {"interval 0 pumps after every wait", 40, 0, true, 10},
      {"long interval pumps only the first time", 40, 100000, true, 1},
      {"OnlyWhenIdle off pumps after every wait", 40, 100000, false, 10},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TSteppingAntiFreeze antiFreeze(r.stepMs);
    antiFreeze.BusyPumpInterval = r.interval;
    antiFreeze.OnlyWhenIdle = r.onlyWhenIdle;
    const int before = FPumps;
    for (int i = 0; i < 10; ++i) PumpAfterWait(true);
    EXPECT_EQ(FPumps - before, r.pumps);
    PumpAfterWait(false);
    EXPECT_EQ(FPumps - before, r.pumps + 1) << "a wait without data always pumps";
  }
}

// A transfer that keeps data coming never waits without data, yet the window is served while
// it runs: the pump is counted, and what the client had received when it ran is recorded.
TEST_F(AntiFreezeTest, SteadyStreamStillPumps) {
  const std::string payload(4 * 1024 * 1024, 'x');
  LoopbackServer server([&payload](PeerSession& peer) {
    peer.Send(payload);
    peer.WaitClosed();
  });
  TSteppingAntiFreeze antiFreeze(30);
  TTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.RecvBufferSize = 16384;
  client.Connect(5000);
  std::size_t received = 0;
  std::vector<std::size_t> receivedAtPump;
  SetAntiFreezePump(
      [&](bool) { receivedAtPump.push_back(received + client.InputBuffer().Size()); });
  for (std::size_t chunk = 65536; received < payload.size(); received += chunk)
    EXPECT_EQ(client.ReadString(static_cast<int>(chunk)), payload.substr(received, chunk));
  ASSERT_GE(receivedAtPump.size(), 2u);
  EXPECT_LT(receivedAtPump[1], payload.size()) << "pumped while the data was still arriving";
}

TEST_F(AntiFreezeTest, NotInUseOnOtherThreadsOrWithoutInstance) {
  EXPECT_FALSE(AntiFreezeInUse());
  TAntiFreeze antiFreeze;
  EXPECT_TRUE(AntiFreezeInUse());
  bool otherThread = true;
  std::thread([&] { otherThread = AntiFreezeInUse(); }).join();
  EXPECT_FALSE(otherThread);
}

TEST(WorkBrackets, NestedBracketsReportAsOne) {
  TComponent component;
  std::vector<std::string> events;
  component.OnWorkBegin = [&](TComponent&, TWorkMode mode, int max) {
    events.push_back(Format("begin %d %d", mode, max));
  };
  component.OnWork = [&](TComponent&, TWorkMode mode, int count) {
    events.push_back(Format("work %d %d", mode, count));
  };
  component.OnWorkEnd = [&](TComponent&, TWorkMode mode) {
    events.push_back(Format("end %d", mode));
  };
  component.AdvanceWork(WorkRead, 5);
  component.StartWork(WorkWrite, 100);
  component.StartWork(WorkWrite, 7);
  component.AdvanceWork(WorkWrite, 10);
  component.FinishWork(WorkWrite);
  component.AdvanceWork(WorkWrite, 1);
  component.FinishWork(WorkWrite);
  component.FinishWork(WorkWrite);
  component.StartWork(WorkWrite, 3);
  const std::vector<std::string> expected = {"begin 1 100", "work 1 10", "work 1 11", "end 1",
                                             "begin 1 3"};
  EXPECT_EQ(events, expected);
}

TEST(ReportStatus, Texts) {
  struct Row {
    TStatus status;
    std::string argument;
    std::string text;
  };
  const Row rows[] = {
      {StatusResolving, "news", "Resolving hostname news."},
      {StatusConnecting, "10.0.0.1", "Connecting to 10.0.0.1."},
      {StatusConnected, "news", "Connected."},
      {StatusDisconnecting, "", "Disconnecting."},
      {StatusDisconnected, "", "Disconnected."},
      {StatusFreeText, "100% done", "100% done"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(TComponent::StatusText(r.status, r.argument), r.text);
  }
}

}  // namespace
}  // namespace qp::net
