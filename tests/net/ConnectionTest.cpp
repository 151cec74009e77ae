#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "net/IOHandlerSocket.h"
#include "net/TCPClient.h"
#include "support/Encoders.h"
#include "support/LoopbackServer.h"

namespace qp::net {
namespace {

using test::LoopbackServer;
using test::PeerSession;

// A client connected to a server that plays the handler.
std::unique_ptr<TTCPClient> ConnectTo(LoopbackServer& server) {
  auto client = std::make_unique<TTCPClient>();
  client->Host = "127.0.0.1";
  client->Port = server.Port();
  client->Connect();
  return client;
}

// Sends bytes and waits until the client has closed.
LoopbackServer::Handler Plays(std::string bytes) {
  return [bytes](PeerSession& peer) {
    peer.Send(bytes);
    peer.WaitClosed();
  };
}

TEST(ReadLn, LineEnds) {
  struct Row {
    const char* name;
    std::string bytes;
    std::string line;
  };
  const Row rows[] = {
      {"crlf", "abc\r\n", "abc"},
      {"lf", "abc\n", "abc"},
      {"cr cr lf keeps one cr", "abc\r\r\n", "abc\r"},
      {"empty line", "\r\n", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server(Plays(r.bytes));
    auto client = ConnectTo(server);
    EXPECT_EQ(client->ReadLn(), r.line);
    client->Disconnect();
    server.Join();
    EXPECT_EQ(server.Received(), "");
  }
}

TEST(ReadLn, ExplicitTerminatorAndByteAtATime) {
  LoopbackServer server([](PeerSession& peer) {
    for (char c : std::string("one::two\r\n")) peer.Send(std::string(1, c));
    peer.WaitClosed();
  });
  auto client = ConnectTo(server);
  EXPECT_EQ(client->ReadLn("::"), "one");
  EXPECT_EQ(client->ReadLn(), "two");
}

TEST(ReadLn, PeerClosingAfterTwoAndAHalfLines) {
  LoopbackServer server([](PeerSession& peer) {
    peer.Send("first\r\nsecond\r\nthi");
    peer.Close();
  });
  auto client = ConnectTo(server);
  EXPECT_EQ(client->ReadLn(), "first");
  EXPECT_EQ(client->ReadLn(), "second");
  EXPECT_THROW(client->ReadLn(), EConnClosedGracefully);
  EXPECT_FALSE(client->Connected());
  // A closed connection may connect again.
  server.Join();
}

TEST(ReadLn, ReadTimeoutRaisesWhileAnExplicitTimeoutReturnsEmpty) {
  LoopbackServer server([](PeerSession& peer) { peer.WaitClosed(); });
  auto client = ConnectTo(server);
  client->ReadTimeout = 300;
  try {
    client->ReadLn();
    FAIL() << "no exception";
  } catch (const EReadTimeout& e) {
    EXPECT_EQ(e.Message(), "Read Timeout");
  }
  EXPECT_EQ(client->ReadLn("", 300), "");
  EXPECT_TRUE(client->ReadTimedOut());
  EXPECT_TRUE(client->Connected());
}

TEST(ReadLn, LineLengthLimit) {
  const std::size_t limit = TTCPConnection::kMaxLineLength;
  struct Row {
    const char* name;
    std::size_t length;
    std::string terminator;
    bool passes;
    std::string readTerminator = "";
  };
  const Row rows[] = {
      {"limit with crlf passes", limit, "\r\n", true},
      {"limit with lf passes", limit, "\n", true},
      {"one more fails", limit + 1, "\r\n", false},
      {"no line end fails", limit + 100000, "", false},
      {"limit with explicit crlf passes", limit, "\r\n", true, "\r\n"},
      {"one more with explicit crlf fails", limit + 1, "\r\n", false, "\r\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string payload = std::string(r.length, 'x') + r.terminator + "next\r\n";
    LoopbackServer server([&payload](PeerSession& peer) {
      peer.Send(payload);
      peer.WaitClosed();
    });
    auto client = ConnectTo(server);
    if (r.passes) {
      EXPECT_EQ(client->ReadLn(r.readTerminator).size(), r.length);
      EXPECT_EQ(client->ReadLn(), "next");
    } else {
      EXPECT_THROW(client->ReadLn(r.readTerminator), ELineTooLong);
      EXPECT_FALSE(client->Connected());
    }
    client.reset();
    server.Join();
  }
}

TEST(Capture, KeepsBareLineFeedsAndUnstuffs) {
  struct Row {
    const char* name;
    std::string bytes;
    bool unstuff;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {"bare lf stays in the line", "a\nb\r\n.\r\n", false, {"a\nb"}},
      {"two dots become one", "..\r\n..text\r\n.\r\n", true, {".", ".text"}},
      {"without unstuff two dots stay", "..\r\n.\r\n", false, {".."}},
      {"empty listing", ".\r\n", true, {}},
      {"dot with blank is a line", ". \r\n.\r\n", true, {". "}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server(Plays(r.bytes + "after\r\n"));
    auto client = ConnectTo(server);
    TStringList lines;
    client->Capture(lines, ".", r.unstuff);
    EXPECT_EQ(lines.Lines(), r.lines);
    EXPECT_EQ(client->ReadLn(), "after");
  }
}

TEST(Capture, IntoAStreamAndIntoNothing) {
  LoopbackServer server(Plays("a\r\n..b\r\n.\r\nc\r\n.\r\n"));
  auto client = ConnectTo(server);
  TMemoryStream stream;
  client->Capture(stream, ".", true);
  EXPECT_EQ(stream.DataString(), "a\r\n.b\r\n");
  client->Capture(nullptr);
  EXPECT_EQ(client->InputBuffer().Size(), 0u);
}

TEST(Capture, ReportsWorkPerLine) {
  const std::string listing = "alpha\r\nbeta\r\ngamma\r\n.\r\n";
  LoopbackServer server(Plays(listing));
  auto client = ConnectTo(server);
  std::vector<std::string> events;
  client->OnWorkBegin = [&](TComponent&, TWorkMode mode, int max) {
    events.push_back(Format("begin %d %d", mode, max));
  };
  client->OnWork = [&](TComponent&, TWorkMode mode, int count) {
    events.push_back(Format("work %d %d", mode, count));
  };
  client->OnWorkEnd = [&](TComponent&, TWorkMode mode) {
    events.push_back(Format("end %d", mode));
  };
  TStringList lines;
  client->Capture(lines);
  const std::vector<std::string> expected = {"begin 0 0", "work 0 7",  "work 0 13",
                                             "work 0 20", "work 0 23", "end 0"};
  EXPECT_EQ(events, expected);
  EXPECT_EQ(listing.size(), 23u);
}

TEST(Capture, ClosesTheWorkBracketWhenThePeerCloses) {
  LoopbackServer server([](PeerSession& peer) {
    peer.Send("a\r\nb");
    peer.Close();
  });
  auto client = ConnectTo(server);
  int ends = 0;
  client->OnWorkEnd = [&](TComponent&, TWorkMode) { ++ends; };
  TStringList lines;
  EXPECT_THROW(client->Capture(lines), EConnClosedGracefully);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(lines.Lines(), std::vector<std::string>{"a"});
}

TEST(GetResponse, MultiLineRepliesAndBlankLines) {
  struct Row {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
    int16_t code;
  };
  const Row rows[] = {
      {"continuation", "211-first\r\n211 second\r\n", {"211-first", "211 second"}, 211},
      {"short line ends", "211-first\r\nend\r\n", {"211-first", "end"}, 0},
      {"blank lines skipped and trimmed", "\r\n  \r\n  200 hello  \r\n", {"200 hello"}, 200},
      {"case ignored in marker", "2a1-x\r\n2A1 y\r\n", {"2a1-x", "2A1 y"}, 0},
      {"not a number", "abc\r\n", {"abc"}, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server(Plays(r.bytes));
    auto client = ConnectTo(server);
    EXPECT_EQ(client->GetResponse({}), r.code);
    EXPECT_EQ(client->ReplyLines().Lines(), r.lines);
    EXPECT_EQ(client->ReplyCode(), r.code);
    EXPECT_EQ(client->ReplyText(), r.lines.back());
  }
}

TEST(GetResponse, ReplyLineLimit) {
  const int limit = TTCPConnection::kMaxReplyLines;
  struct Row {
    const char* name;
    int lines;
    bool passes;
  };
  const Row rows[] = {{"at the limit", limit, true}, {"one line more", limit + 1, false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::string reply;
    for (int i = 1; i < r.lines; ++i) reply += "211-more\r\n";
    reply += "211 end\r\n";
    LoopbackServer server(Plays(reply));
    auto client = ConnectTo(server);
    if (r.passes) {
      EXPECT_EQ(client->GetResponse({211}), 211);
      EXPECT_EQ(client->ReplyLines().Count(), r.lines);
    } else {
      try {
        client->GetResponse({211});
        ADD_FAILURE() << "no failure";
      } catch (const ELimitExceeded& e) {
        EXPECT_EQ(e.Message(), "Reply exceeds the limit of 100000 lines.");
      }
      EXPECT_FALSE(client->Connected());
    }
    client.reset();
    server.Join();
  }
}

TEST(SendCmd, SendsExactBytes) {
  struct Row {
    const char* name;
    std::string command;
    std::string sent;
  };
  const Row rows[] = {
      {"command", "GROUP alt.test", "GROUP alt.test\r\n"},
      {"empty text sends crlf", "", "\r\n"},
      {"byte zero sends nothing", std::string(1, '\0'), ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server([](PeerSession& peer) {
      peer.Send("200 ok\r\n");
      peer.WaitClosed();
    });
    auto client = ConnectTo(server);
    EXPECT_EQ(client->SendCmd(r.command, 200), 200);
    client->Disconnect();
    server.Join();
    EXPECT_EQ(server.Received(), r.sent);
  }
}

TEST(SendCmd, UnexpectedCodeRaisesWithTheWholeLine) {
  LoopbackServer server([](PeerSession& peer) {
    peer.ReadLine();
    peer.Send("411 no such group\r\n");
    peer.WaitClosed();
  });
  auto client = ConnectTo(server);
  try {
    client->SendCmd("GROUP x", std::vector<int16_t>{211});
    FAIL() << "no exception";
  } catch (const EProtocolReplyError& e) {
    EXPECT_EQ(e.Message(), "411 no such group");
    EXPECT_EQ(e.ErrorReplyCode(), 411);
  }
  EXPECT_EQ(client->ReplyCode(), 411);
  client->Disconnect();
  server.Join();
  EXPECT_EQ(server.Received(), "GROUP x\r\n");
}

TEST(Connection, NeverConnected) {
  TTCPClient client;
  EXPECT_FALSE(client.Connected());
  EXPECT_THROW(client.WriteLn("x"), EConnClosedGracefully);
  EXPECT_THROW(client.ReadLn(), EConnClosedGracefully);
}

TEST(Connection, AlreadyConnected) {
  LoopbackServer server([](PeerSession& peer) { peer.WaitClosed(); });
  auto client = ConnectTo(server);
  try {
    client->Connect();
    FAIL() << "no exception";
  } catch (const EAlreadyConnected& e) {
    EXPECT_EQ(e.Message(), "Already connected.");
  }
  EXPECT_TRUE(client->Connected());
}

TEST(Connection, ReconnectAfterAFailedConnectReusesTheIOHandler) {
  TTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = test::UnusedLoopbackPort();
  EXPECT_THROW(client.Connect(), ESocketError);
  TIOHandler* handler = client.IOHandler();
  ASSERT_NE(handler, nullptr);
  EXPECT_FALSE(client.Connected());

  LoopbackServer server([](PeerSession& peer) {
    peer.Send("200 hi\r\n");
    peer.ReadLine();
    peer.Close();
  });
  client.Port = server.Port();
  client.Connect();
  EXPECT_EQ(client.IOHandler(), handler);
  EXPECT_EQ(client.GetResponse({200}), 200);
  client.WriteLn("QUIT");
  server.Join();
  EXPECT_EQ(server.Received(), "QUIT\r\n");
}

TEST(Connection, DisconnectStatusesAndEvents) {
  LoopbackServer server([](PeerSession& peer) { peer.WaitClosed(); });
  std::vector<std::string> seen;
  TTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.OnStatus = [&](TComponent&, TStatus status, const std::string& text) {
    seen.push_back(Format("%d %s", status, text.c_str()));
  };
  client.OnConnected = [&](TComponent&) { seen.push_back("connected"); };
  client.OnDisconnected = [&](TComponent&) { seen.push_back("disconnected"); };
  client.Connect();
  client.Disconnect();
  const std::vector<std::string> expected = {Format("1 Connecting to 127.0.0.1."),
                                             "2 Connected.",
                                             "connected",
                                             "3 Disconnecting.",
                                             "disconnected",
                                             "4 Disconnected."};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(client.IOHandler(), nullptr);
  EXPECT_FALSE(client.Connected());
}

TEST(Connection, BytesStreamsAndTheWriteBuffer) {
  const std::string expectedSent("abc\r\n\0\0\0\x03xyzl1\r\nl2\r\n", 20);
  LoopbackServer server([&expectedSent](PeerSession& peer) {
    peer.Send(std::string("\0\0\0\x05", 4) + "hello" + "rest of it");
    peer.ReadBytes(expectedSent.size());
    peer.Close();
  });
  auto client = ConnectTo(server);
  TMemoryStream counted;
  client->ReadIntoStream(counted);
  EXPECT_EQ(counted.DataString(), "hello");
  client->BeginWriteBuffer();
  client->WriteText("ab");
  client->WriteLn("c");
  TMemoryStream source;
  source.WriteString("xyz");
  client->WriteFromStream(source, true, true);
  client->FlushWriteBuffer();
  client->WriteLines(TStringList{"l1", "l2"});
  TMemoryStream tail;
  client->ReadIntoStream(tail, -1, true);
  EXPECT_EQ(tail.DataString(), "rest of it");
  server.Join();
  EXPECT_EQ(server.Received(), expectedSent);
}

TEST(Connection, ReadBytesFailsWhenThePeerClosesEarly) {
  LoopbackServer server([](PeerSession& peer) {
    peer.Send("abc");
    peer.Close();
  });
  auto client = ConnectTo(server);
  char buffer[8];
  EXPECT_THROW(client->ReadBytes(buffer, 8), EConnClosedGracefully);
}

TEST(Connection, ReadingOnAnAssignedButClosedIOHandlerRaises) {
  TIOHandlerSocket handler;
  TTCPClient client;
  client.SetIOHandler(&handler);
  EXPECT_FALSE(client.Connected());
  char buffer[4];
  EXPECT_THROW(client.ReadLn(), EConnClosedGracefully);
  EXPECT_THROW(client.ReadBytes(buffer, 4), EConnClosedGracefully);
}

TEST(ReadIntoStream, KeepsOnlyWhatArrived) {
  struct Row {
    const char* name;
    std::string bytes;
    int64_t count;
    bool raises;
    std::string stored;
    int recvBufferSize = 32768;
  };
  const Row rows[] = {
      {"peer closes before the count", "abc", 10, true, ""},
      {"peer closes after a chunk", "abc", 10, true, "ab", 2},
      {"negative length prefix reads nothing", std::string("\xFF\xFF\xFF\xFF", 4), -1, false, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server([&r](PeerSession& peer) {
      peer.Send(r.bytes);
      peer.Close();
    });
    auto client = ConnectTo(server);
    client->RecvBufferSize = r.recvBufferSize;
    TMemoryStream stream;
    if (r.raises) {
      EXPECT_THROW(client->ReadIntoStream(stream, r.count), EConnClosedGracefully);
    } else {
      client->ReadIntoStream(stream, r.count);
    }
    EXPECT_EQ(stream.Size(), static_cast<int64_t>(r.stored.size()));
    EXPECT_EQ(stream.DataString(), r.stored);
    client.reset();
    server.Join();
  }
}

// Records the largest size the connection asked the stream to make room for.
class TSizeRecordingStream : public TMemoryStream {
 public:
  int64_t LargestSetSize = 0;
  void SetSize(int64_t size) override {
    LargestSetSize = std::max(LargestSetSize, size);
    TMemoryStream::SetSize(size);
  }
};

TEST(ReadIntoStream, RoomMadeAheadIsLimitedWhateverThePeerAnnounces) {
  const int64_t limit = TTCPConnection::kMaxPreallocation;
  struct Row {
    const char* name;
    uint32_t announced;
    std::size_t sent;
  };
  const Row rows[] = {
      {"count at the limit", static_cast<uint32_t>(limit), static_cast<std::size_t>(limit)},
      {"count above the limit", static_cast<uint32_t>(limit + 1),
       static_cast<std::size_t>(limit + 1)},
      {"huge count, few bytes, peer closes", 0x7FFFFFFF, 10},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const uint32_t prefix = htonl(r.announced);
    const std::string payload =
        std::string(reinterpret_cast<const char*>(&prefix), 4) + test::BinaryPattern(r.sent);
    LoopbackServer server([&payload](PeerSession& peer) {
      peer.Send(payload);
      peer.Close();
    });
    auto client = ConnectTo(server);
    TSizeRecordingStream stream;
    if (r.sent < r.announced) {
      EXPECT_THROW(client->ReadIntoStream(stream), EConnClosedGracefully);
      EXPECT_EQ(stream.DataString(), test::BinaryPattern(r.sent));
    } else {
      client->ReadIntoStream(stream);
      EXPECT_EQ(stream.DataString(), test::BinaryPattern(r.sent));
    }
    // Room made ahead never exceeds the limit; only arriving bytes grow the stream further.
    EXPECT_LE(stream.LargestSetSize, limit);
    client.reset();
    server.Join();
  }
}

TEST(TBuffer, ConsumesWithoutLosingBytes) {
  TBuffer buffer;
  std::string all;
  for (int i = 0; i < 20000; ++i) {
    const std::string line = Format("line %d\r\n", i);
    buffer.Append(line.data(), line.size());
    all += line;
  }
  std::string taken;
  while (!buffer.Empty()) {
    const std::size_t end = buffer.Find("\r\n");
    ASSERT_NE(end, std::string::npos);
    taken += buffer.Extract(end + 2);
  }
  EXPECT_EQ(taken, all);
}

}  // namespace
}  // namespace qp::net
