#include <gtest/gtest.h>

#include <cstdlib>

#include "base/DateTime.h"
#include "base/InternetText.h"
#include "nntp/NNTP.h"
#include "support/LoopbackServer.h"

namespace qp::nntp {
namespace {

using test::LoopbackServer;
using test::PeerSession;

// Plays a news server: sends the greeting, then answers each expected command line with
// its reply, and finally waits for the client to close.
struct Exchange {
  std::string command;  // the line the client must send
  std::string reply;    // the bytes sent back
};

LoopbackServer::Handler Script(std::string greeting, std::vector<Exchange> exchanges) {
  return [greeting = std::move(greeting), exchanges = std::move(exchanges)](PeerSession& s) {
    s.Send(greeting);
    for (const Exchange& e : exchanges) {
      if (s.ReadLine() != e.command) return;
      s.Send(e.reply);
    }
    s.WaitClosed();
  };
}

class NNTPTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void ConnectTo(const LoopbackServer& server) {
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.Connect();
  }
  TNNTP client;
};

TEST_F(NNTPTest, GreetingSetsGreetingResult) {
  struct Row {
    const char* name;
    std::string greeting;
    int result;
  };
  const Row rows[] = {
      {"posting allowed", "200 news ready\r\n", 0},
      {"no posting", "201 read only\r\n", 1},
      {"not available", "400 go away\r\n", 3},
      {"unknown greeting is given up like 400", "205 odd\r\n", 3},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server(Script(r.greeting, {{"mode reader", "200 reader\r\n"}}));
    TNNTP fresh;
    fresh.Host = "127.0.0.1";
    fresh.Port = server.Port();
    fresh.Connect();
    EXPECT_EQ(fresh.GreetingResult(), r.result);
    EXPECT_EQ(fresh.ModeResult(), 4);
    fresh.Disconnect();
    server.Join();
    EXPECT_EQ(server.Received(), "mode reader\r\nQuit\r\n");
  }
}

TEST_F(NNTPTest, Greeting502RaisesAndDisconnects) {
  LoopbackServer server(Script("502 no permission\r\n", {}));
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  try {
    client.Connect();
    FAIL() << "no exception";
  } catch (const ENNTPConnectionRefused& e) {
    EXPECT_EQ(e.Message(), "Connection explicitly refused by NNTP server.");
    EXPECT_EQ(e.ErrorReplyCode(), 502);
  }
  EXPECT_FALSE(client.Connected());
  server.Join();
  EXPECT_EQ(server.Received(), "Quit\r\n");
}

TEST_F(NNTPTest, ModeReaderRefusalIsNoError) {
  LoopbackServer server(Script("200 hi\r\n", {{"mode reader", "500 what?\r\n"}}));
  ConnectTo(server);
  EXPECT_EQ(client.ModeResult(), 5);
}

TEST_F(NNTPTest, AuthenticationDemandIsAnsweredAndTheCommandRepeated) {
  LoopbackServer server(Script("200 hi\r\n", {{"mode reader", "200 ok\r\n"},
                                              {"Group alt.test", "480 auth required\r\n"},
                                              {"AuthInfo User joe", "381 more\r\n"},
                                              {"AuthInfo Pass pw", "281 ok\r\n"},
                                              {"Group alt.test", "211 3 100 102 alt.test\r\n"}}));
  client.Username = "joe";
  client.Password = "pw";
  ConnectTo(server);
  client.SelectGroup("alt.test");
  EXPECT_EQ(client.ArticleCount(), 3u);
  EXPECT_EQ(client.FirstArticle(), 100u);
  EXPECT_EQ(client.LastArticle(), 102u);
}

TEST_F(NNTPTest, AuthInfoUserAnsweredWith281Raises) {
  LoopbackServer server(Script(
      "200 hi\r\n", {{"mode reader", "450 auth\r\n"}, {"AuthInfo User joe", "281 already\r\n"}}));
  client.Username = "joe";
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  try {
    client.Connect();
    FAIL() << "no exception";
  } catch (const net::EProtocolReplyError& e) {
    EXPECT_EQ(e.ErrorReplyCode(), 281);
    EXPECT_EQ(e.Message(), "281 already");
  }
  EXPECT_FALSE(client.Connected());
}

// RFC 4643: a client may log in right after the mode command, before a server demands it; a
// server may list some groups to logged-in readers only.
TEST(NNTPLogin, LoginOnConnectComesRightAfterTheModeCommand) {
  struct Row {
    const char* name;
    bool loginOnConnect;
    std::string user;
    std::vector<Exchange> script;  // ends with the "List" exchange
    std::string groups;            // the listing's one line
    std::string sent;
  };
  const std::string hidden = "215 list\r\nhidden.group 3 1 y\r\n.\r\n";
  const std::string open = "215 list\r\nopen.group 3 1 y\r\n.\r\n";
  const Row rows[] = {
      {"logged in first, the hidden group is listed",
       true,
       "joe",
       {{"mode reader", "200 ok\r\n"},
        {"AuthInfo User joe", "381 more\r\n"},
        {"AuthInfo Pass pw", "281 ok\r\n"},
        {"List", hidden}},
       "hidden.group 3 1 y",
       "mode reader\r\nAuthInfo User joe\r\nAuthInfo Pass pw\r\nList\r\nQuit\r\n"},
      {"without a user name nothing is sent",
       true,
       "",
       {{"mode reader", "200 ok\r\n"}, {"List", open}},
       "open.group 3 1 y",
       "mode reader\r\nList\r\nQuit\r\n"},
      {"a login the mode command demanded is not sent twice",
       true,
       "joe",
       {{"mode reader", "480 login first\r\n"},
        {"AuthInfo User joe", "381 more\r\n"},
        {"AuthInfo Pass pw", "281 ok\r\n"},
        {"mode reader", "200 ok\r\n"},
        {"List", hidden}},
       "hidden.group 3 1 y",
       "mode reader\r\nAuthInfo User joe\r\nAuthInfo Pass pw\r\nmode reader\r\nList\r\n"
       "Quit\r\n"},
      {"off: a login only on demand",
       false,
       "joe",
       {{"mode reader", "200 ok\r\n"}, {"List", open}},
       "open.group 3 1 y",
       "mode reader\r\nList\r\nQuit\r\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server(Script("200 hi\r\n", r.script));
    TNNTP client;
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.LoginOnConnect = r.loginOnConnect;
    client.Username = r.user;
    client.Password = "pw";
    client.Connect();
    TStringList groups;
    client.ListGroups(groups);
    EXPECT_EQ(groups.Lines(), (std::vector<std::string>{r.groups}));
    client.Disconnect();
    server.Join();
    EXPECT_EQ(server.Received(), r.sent);
  }
}

TEST(NNTPLogin, ARefusedLoginOnConnectFailsTheConnect) {
  LoopbackServer server(Script("200 hi\r\n", {{"mode reader", "200 ok\r\n"},
                                              {"AuthInfo User joe", "381 more\r\n"},
                                              {"AuthInfo Pass bad", "481 rejected\r\n"}}));
  TNNTP client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.LoginOnConnect = true;
  client.Username = "joe";
  client.Password = "bad";
  try {
    client.Connect();
    FAIL() << "no exception";
  } catch (const net::EProtocolReplyError& e) {
    EXPECT_EQ(e.Message(), "481 rejected");
  }
  EXPECT_FALSE(client.Connected());
  server.Join();
  EXPECT_EQ(server.Received(), "mode reader\r\nAuthInfo User joe\r\nAuthInfo Pass bad\r\nQuit\r\n");
}

// A demand for a login while no user name is set is not answered with an empty
// "AuthInfo User ": the client says what is missing, and the session stays in step.
TEST(NNTPLogin, ADemandWithoutAUserNameSendsNothing) {
  const std::string text =
      "The server requires a login: set a user name and password for it in Site Management.";
  {
    SCOPED_TRACE("demanded by the mode command");
    LoopbackServer server(Script("200 hi\r\n", {{"mode reader", "480 login\r\n"}}));
    TNNTP client;
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    try {
      client.Connect();
      FAIL() << "no exception";
    } catch (const ENNTPLoginRequired& e) {
      EXPECT_EQ(e.Message(), text);
      EXPECT_EQ(e.ErrorReplyCode(), 480);
    }
    EXPECT_FALSE(client.Connected());
    server.Join();
    EXPECT_EQ(server.Received(), "mode reader\r\nQuit\r\n");
  }
  {
    SCOPED_TRACE("demanded by a group");
    LoopbackServer server(Script("200 hi\r\n", {{"mode reader", "200 ok\r\n"},
                                                {"Group private", "450 authorization\r\n"},
                                                {"Group public", "211 1 1 1 public\r\n"}}));
    TNNTP client;
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.Connect();
    EXPECT_THROW(client.SelectGroup("private"), ENNTPLoginRequired);
    client.SelectGroup("public");
    EXPECT_EQ(client.LastArticle(), 1u);
    client.Disconnect();
    server.Join();
    EXPECT_EQ(server.Received(), "mode reader\r\nGroup private\r\nGroup public\r\nQuit\r\n");
  }
}

TEST_F(NNTPTest, SelectGroupReadsTheNumbersOrLeavesThemOnFailure) {
  LoopbackServer server(Script("200 hi\r\n", {{"mode reader", "200 ok\r\n"},
                                              {"Group a", "211 3 100 102 a\r\n"},
                                              {"Group empty", "211 0 0 0 empty\r\n"},
                                              {"Group b", "211 5 7 9 b\r\n"},
                                              {"Group none", "411 no such group\r\n"}}));
  ConnectTo(server);
  client.SelectGroup("a");
  EXPECT_EQ(client.LastArticle(), 102u);
  client.SelectGroup("empty");
  EXPECT_EQ(client.ArticleCount() + client.FirstArticle() + client.LastArticle(), 0u);
  client.SelectGroup("b");
  EXPECT_THROW(client.SelectGroup("none"), net::EProtocolReplyError);
  EXPECT_EQ(client.ArticleCount(), 5u);
  EXPECT_EQ(client.FirstArticle(), 7u);
  EXPECT_EQ(client.LastArticle(), 9u);
}

TEST_F(NNTPTest, GroupAndArticleNumbersAre64Bit) {
  LoopbackServer server(
      Script("200 hi\r\n",
             {{"mode reader", "200 ok\r\n"},
              {"Group a", "211 4294967297 4294967297 18446744073709551615 a\r\n"},
              {"xover 4294967297-18446744073709551615", "224 overview\r\n4294967297\ts\r\n.\r\n"},
              {"Article 4294967297", "220 4294967297 <m@x>\r\nSubject: big\r\n\r\nb\r\n.\r\n"},
              {"Group b", "211 1 1 18446744073709551616 b\r\n"},
              {"Group c", "211 0 0 0 c\r\n"}}));
  ConnectTo(server);
  client.SelectGroup("a");
  EXPECT_EQ(client.ArticleCount(), 4294967297u);
  EXPECT_EQ(client.FirstArticle(), 4294967297u);
  EXPECT_EQ(client.LastArticle(), 18446744073709551615u);
  TStringList overview;
  client.FetchOverview(
      std::to_string(client.FirstArticle()) + "-" + std::to_string(client.LastArticle()), overview);
  EXPECT_EQ(overview.Count(), 1);
  message::TMessage message;
  ASSERT_TRUE(client.RetrieveArticle(4294967297u, "", message));
  EXPECT_EQ(client.ArticleNumber(), 4294967297u);
  EXPECT_EQ(message.Subject, "big");
  // A number beyond 64 bits is an error, not a wrap; the session stays in step.
  EXPECT_THROW(client.SelectGroup("b"), EConvertError);
  EXPECT_EQ(client.LastArticle(), 18446744073709551615u);
  client.SelectGroup("c");
  EXPECT_EQ(client.LastArticle(), 0u);
}

TEST_F(NNTPTest, ListingsAreCapturedAndUnstuffed) {
  LoopbackServer server(
      Script("200 hi\r\n", {{"mode reader", "200 ok\r\n"},
                            {"List", "215 list follows\r\n.\r\n"},
                            {"xover 100-102", "224 overview\r\n100\tx\r\n..dots\tz\r\n.\r\n"},
                            {"xover 5-6", "224 overview\r\n5\ta\r\n..\r\n.\r\n"}}));
  ConnectTo(server);
  int begins = 0, ends = 0;
  client.OnWorkBegin = [&](TComponent&, TWorkMode, int) { ++begins; };
  client.OnWorkEnd = [&](TComponent&, TWorkMode) { ++ends; };
  TStringList groups;
  client.ListGroups(groups);
  EXPECT_EQ(groups.Count(), 0);
  EXPECT_EQ(begins, 1);
  EXPECT_EQ(ends, 1);
  TStringList overview;
  client.FetchOverview("100-102", overview);
  EXPECT_EQ(overview.Lines(), (std::vector<std::string>{"100\tx", ".dots\tz"}));
  std::vector<std::string> streamed;
  client.FetchOverview("5-6", [&](std::string& line) { streamed.push_back(line); });
  EXPECT_EQ(streamed, (std::vector<std::string>{"5\ta", "."}));
}

TEST(NNTPParse, OverviewLines) {
  setenv("TZ", "UTC", 1);
  tzset();
  struct Row {
    const char* name;
    std::string line;
    uint64_t number;
    std::string subject, from;
    TDateTime date;
    std::string messageId, references;
    uint32_t bytes, lines;
    std::string rest;
  };
  const TDateTime jan5 = EncodeDate(2003, 1, 5) + EncodeTime(13, 3, 7, 0);
  const Row rows[] = {
      {"full line with xref",
       "7\tHello\tjoe@x\tSun, 05 Jan 2003 14:03:07 +0100\t<a@b>\t<r@b>\t1234\t20\tXref: a:7\tmore",
       7, "Hello", "joe@x", jan5, "<a@b>", "<r@b>", 1234, 20, "Xref: a:7\tmore"},
      {"TAB BS TAB reads as one TAB",
       "7\tHello\t\b\tjoe@x\tSun, 05 Jan 2003 14:03:07 +0100\t<a@b>\t<r@b>\t1234\t20", 7, "Hello",
       "joe@x", jan5, "<a@b>", "<r@b>", 1234, 20, ""},
      {"two fields only", "12\tShort", 12, "Short", "", InternetDateToLocal(""), "", "", 0, 0, ""},
      {"bad numbers give zero", "x\ts\tf\t\t\t\tbig\t-", 0, "s", "f", InternetDateToLocal(""), "",
       "", 0, 0, ""},
      {"number above 32 bits", "4294967297\ts", 4294967297u, "s", "", InternetDateToLocal(""), "",
       "", 0, 0, ""},
      {"largest 64-bit number", "18446744073709551615\ts", 18446744073709551615u, "s", "",
       InternetDateToLocal(""), "", "", 0, 0, ""},
      {"number beyond 64 bits is no number", "18446744073709551616\ts", 0, "s", "",
       InternetDateToLocal(""), "", "", 0, 0, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    uint64_t number = 1;
    uint32_t bytes = 1, lines = 1;
    std::string subject, from, messageId, references, rest;
    TDateTime date = -1;
    TNNTP::ParseOverviewLine(r.line, number, subject, from, date, messageId, references, bytes,
                             lines, rest);
    EXPECT_EQ(number, r.number);
    EXPECT_EQ(subject, r.subject);
    EXPECT_EQ(from, r.from);
    EXPECT_DOUBLE_EQ(date, r.date);
    EXPECT_EQ(messageId, r.messageId);
    EXPECT_EQ(references, r.references);
    EXPECT_EQ(bytes, r.bytes);
    EXPECT_EQ(lines, r.lines);
    EXPECT_EQ(rest, r.rest);
  }
}

TEST(NNTPParse, GroupLines) {
  struct Row {
    const char* name;
    std::string line, group;
    uint64_t high, low;
    std::string status;
  };
  const Row rows[] = {
      {"zero padded", "alt.test 0000012345 0000012000 y", "alt.test", 12345, 12000, "y"},
      {"status with extra words", "a.b 10 1 m moderated", "a.b", 10, 1, "m moderated"},
      {"name only", "lonely", "lonely", 0, 0, ""},
      {"64-bit numbers", "big 18446744073709551615 4294967297 y", "big", 18446744073709551615u,
       4294967297u, "y"},
      {"beyond 64 bits gives 0", "big 18446744073709551616 1 y", "big", 0, 1, "y"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::string name, status;
    uint64_t high = 9, low = 9;
    TNNTP::ParseGroupLine(r.line, name, high, low, status);
    EXPECT_EQ(name, r.group);
    EXPECT_EQ(high, r.high);
    EXPECT_EQ(low, r.low);
    EXPECT_EQ(status, r.status);
  }
}

TEST_F(NNTPTest, RetrieveArticleByNumber) {
  LoopbackServer server(
      Script("200 hi\r\n",
             {{"mode reader", "200 ok\r\n"},
              {"Article 7",
               "220 7 <m@x> article\r\nSubject: hi\r\nFrom: a@b\r\n\r\nline one\r\n..dot\r\n.\r\n"},
              {"Article 8", "423 no such article\r\n"},
              {"Article 9", "500 what\r\n"}}));
  ConnectTo(server);
  message::TMessage message;
  ASSERT_TRUE(client.RetrieveArticle(7, "", message));
  EXPECT_EQ(client.ArticleNumber(), 7u);
  EXPECT_EQ(client.ArticleMessageId(), "<m@x>")
      << "the words after the Message-ID are not part of it";
  EXPECT_EQ(message.Subject, "hi");
  EXPECT_EQ(message.Headers.Count(), 2);
  EXPECT_EQ(message.Body.Lines(), (std::vector<std::string>{"line one", ".dot"}));

  EXPECT_FALSE(client.RetrieveArticle(8, "", message));
  EXPECT_EQ(message.Subject, "hi") << "a 423 leaves the message untouched";
  try {
    client.RetrieveArticle(9, "", message);
    FAIL() << "no exception";
  } catch (const EResponseError& e) {
    EXPECT_EQ(e.Message(), "500 what");
  }
}

TEST_F(NNTPTest, RetrieveArticleByMessageIdKeepsTheNumber) {
  LoopbackServer server(
      Script("200 hi\r\n", {{"mode reader", "200 ok\r\n"},
                            {"Article 3", "220 3 <c@x>\r\n\r\n.\r\n"},
                            {"Article <m@x>", "220 0 <m@x>\r\nSubject: s\r\n\r\nbody\r\n.\r\n"},
                            {"Article", "221 4 <d@x>\r\nSubject: head only\r\n.\r\n"}}));
  ConnectTo(server);
  message::TMessage message;
  ASSERT_TRUE(client.RetrieveArticle(3, "", message));
  ASSERT_TRUE(client.RetrieveArticle(0, "m@x", message));
  EXPECT_EQ(client.ArticleNumber(), 3u);
  EXPECT_EQ(client.ArticleMessageId(), "<c@x>");
  EXPECT_EQ(message.Body.Count(), 1);
  ASSERT_TRUE(client.RetrieveArticle(0, "", message));
  EXPECT_EQ(message.Subject, "head only");
  EXPECT_EQ(message.Body.Count(), 0);
  EXPECT_EQ(client.ArticleNumber(), 4u);
}

TEST_F(NNTPTest, DisconnectSendsQuitAndFiresTheEvent) {
  LoopbackServer server(Script("200 hi\r\n", {{"mode reader", "200 ok\r\n"}}));
  ConnectTo(server);
  std::vector<std::string> statuses;
  int disconnected = 0;
  client.OnStatus = [&](TComponent&, TStatus, const std::string& text) {
    statuses.push_back(text);
  };
  client.OnDisconnected = [&](TComponent&) { ++disconnected; };
  client.Disconnect();
  server.Join();
  EXPECT_EQ(server.Received(), "mode reader\r\nQuit\r\n");
  EXPECT_EQ(disconnected, 1);
  EXPECT_EQ(statuses, (std::vector<std::string>{"Disconnecting.", "Disconnected."}));
  EXPECT_FALSE(client.Connected());
}

}  // namespace
}  // namespace qp::nntp
