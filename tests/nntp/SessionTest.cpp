// The session stays in step whatever an article or a listing holds: after each command the
// next one reads its own reply, or the connection is dropped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "message/MessageCoder.h"
#include "nntp/NNTP.h"
#include "support/Encoders.h"
#include "support/LoopbackServer.h"
#include "support/MessageFixtures.h"
#include "support/NewsServer.h"

namespace qp::nntp {
namespace {

using test::Crlf;
using test::LoopbackServer;
using test::NewsServer;
using test::PeerSession;

// A line that would pass for the reply to "Group alt.test" if it were read as one.
const std::string kForged = "211 999 999 999 forged\r\n";
const std::string kGroupReply = "211 3 1 3 alt.test\r\n";

// Greets, enters reader mode and answers command with reply; then closes (close) or falls
// silent until the client closes.
LoopbackServer::Handler Answers(std::string command, std::string reply, bool close) {
  return [=](PeerSession& s) {
    s.Send("200 hi\r\n");
    if (s.ReadLine() != "mode reader") return;
    s.Send("200 reader\r\n");
    if (s.ReadLine() != command) return;
    s.Send(reply);
    if (close)
      s.Close();
    else
      s.WaitClosed();
  };
}

class SessionTest : public test::TempFolderTest {
 protected:
  void ConnectTo(const LoopbackServer& server) {
    Client.Host = "127.0.0.1";
    Client.Port = server.Port();
    Client.Connect();
  }
  // After whatever happened, the next command reads its own reply.
  void ExpectInStep() {
    EXPECT_TRUE(Client.Connected());
    EXPECT_FALSE(Client.ReplyDataOpen());
    Client.SelectGroup("alt.test");
    EXPECT_EQ(Client.ArticleCount(), 3u);
  }
  TNNTP Client;
};

TEST_F(SessionTest, NextCommandReadsItsOwnReplyAfterAnyArticle) {
  struct Row {
    const char* name;
    std::string reply;    // the reply to "Article 1", data block included
    std::string failure;  // what RetrieveArticle raises, "" when it delivers
    std::string decodeFailure = "";
  };
  std::string longHeader;
  for (int i = 0; i <= message::MaxHeaderLines; ++i)
    longHeader += "X-Line: " + std::to_string(i) + "\r\n";
  const Row rows[] = {
      {"address the parser rejects",
       "220 1 <a@x>\r\nFrom: <a@b.c>@d\r\n\r\nbody\r\n" + kForged + ".\r\n", "",
       "Field From kept as sent: @ Outside address"},
      {"encoded word with =ZZ",
       "220 1 <a@x>\r\nSubject: =?ISO-8859-1?Q?=ZZ?=\r\n\r\n" + kForged + ".\r\n", "",
       "Field Subject kept as sent: '$ZZ' is not a valid integer value"},
      {"base64 line whose length is not a multiple of 4",
       "220 1 <a@x>\r\nContent-Type: application/octet-stream; name=a.bin\r\n"
       "Content-Transfer-Encoding: base64\r\n\r\nQUJD\r\nQUJ\r\n" +
           kForged + ".\r\n",
       "", "Damaged part \"a.bin\": Uneven size in DecodeToStream."},
      {"short uuencoded file",
       "220 1 <a@x>\r\n\r\nbegin 644 small.txt\r\n#86)C\r\n" + kForged + "`\r\nend\r\n" + kForged +
           ".\r\n",
       "", "Damaged part \"small.txt\": Unrecognized UUE encoding scheme."},
      {"header beyond the limit", "220 1 <a@x>\r\n" + longHeader + "\r\n" + kForged + ".\r\n",
       "Article header exceeds the limit of 10000 lines."},
      {"a bare LF before a dot line", "220 1 <a@x>\r\n\r\ntext\n.\r\n" + kForged + ".\r\n", ""},
      {"221 with lines after its header",
       "221 1 <a@x>\r\nSubject: head\r\n\r\n" + kForged + "more\r\n.\r\n", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server(NewsServer({{"Article 1", r.reply}, {"Group alt.test", kGroupReply}}));
    ConnectTo(server);
    message::TMessage message;
    try {
      EXPECT_TRUE(Client.RetrieveArticle(1, "", message));
      EXPECT_EQ(r.failure, "") << "no failure";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), r.failure);
    }
    if (!r.decodeFailure.empty()) {
      EXPECT_EQ(message.DecodeFailures, (TStringList{r.decodeFailure}));
    }
    ExpectInStep();
    Client.Disconnect();
  }
}

TEST_F(SessionTest, FailedAttachmentFileSkipsTheRestOfTheArticle) {
  LoopbackServer server(NewsServer(
      {{"Article 1", "220 1 <a@x>\r\n\r\nbegin 644 a.bin\r\n" +
                         test::UuLines(test::BinaryPattern(90)) + "end\r\n" + kForged + ".\r\n"},
       {"Group alt.test", kGroupReply}}));
  ConnectTo(server);
  setenv("TMPDIR", (Dir.Path() + "/missing").c_str(), 1);
  message::TMessage message;
  EXPECT_THROW(Client.RetrieveArticle(1, "", message), EFCreateError);
  ExpectInStep();
}

// Listing lines end at CR LF: a bare LF followed by "." inside one is no end of the listing.
TEST_F(SessionTest, FailedListingSkipsTheRestOfTheListing) {
  LoopbackServer server(
      NewsServer({{"xover 1-3", "224 overview\r\n1\ta\r\nbare\n.\r\n" + kForged + ".\r\n"},
                  {"Group alt.test", kGroupReply}}));
  ConnectTo(server);
  EXPECT_THROW(Client.FetchOverview("1-3", [](std::string&) { throw Exception("sink failed"); }),
               Exception);
  ExpectInStep();
}

// When the end of the data block cannot be found, the connection is dropped instead: the
// next command then fails rather than read a line of the article as its reply.
TEST_F(SessionTest, ConnectionIsDroppedWhenTheRestCannotBeSkipped) {
  std::string longHeader;
  for (int i = 0; i <= message::MaxHeaderLines; ++i) longHeader += "X: 1\r\n";
  struct Row {
    const char* name;
    std::string reply;
    bool close;
  };
  const Row rows[] = {
      {"server falls silent", "220 1 <a@x>\r\n" + longHeader + "\r\n" + kForged, false},
      {"server closes", "220 1 <a@x>\r\n" + longHeader, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server(Answers("Article 1", r.reply, r.close));
    Client.ReadTimeout = 300;
    ConnectTo(server);
    message::TMessage message;
    EXPECT_THROW(Client.RetrieveArticle(1, "", message), ELimitExceeded);
    EXPECT_FALSE(Client.Connected());
    EXPECT_THROW(Client.SelectGroup("alt.test"), EConnClosedGracefully);
  }
}

// No wait without end: a server that stops answering ends the command with "Read Timeout"
// and the connection, since its late answer would be taken for the next command's.
TEST_F(SessionTest, SilentServerEndsInTheReadTimeout) {
  struct Row {
    const char* name;
    std::string command;
    std::string partialReply;
    std::function<void(TNNTP&)> call;
  };
  const Row rows[] = {
      {"no reply line", "Group alt.test", "", [](TNNTP& c) { c.SelectGroup("alt.test"); }},
      {"listing stops", "xover 1-3", "224 overview\r\n1\ta\r\n",
       [](TNNTP& c) {
         TStringList lines;
         c.FetchOverview("1-3", lines);
       }},
      {"article stops", "Article 1", "220 1 <a@x>\r\nSubject: s\r\n\r\nbody\r\n",
       [](TNNTP& c) {
         message::TMessage message;
         c.RetrieveArticle(1, "", message);
       }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LoopbackServer server(Answers(r.command, r.partialReply, false));
    Client.ReadTimeout = 300;
    ConnectTo(server);
    try {
      r.call(Client);
      ADD_FAILURE() << "no time-out";
    } catch (const net::EReadTimeout& e) {
      EXPECT_EQ(e.Message(), "Read Timeout");
    }
    EXPECT_FALSE(Client.Connected());
    EXPECT_EQ(Client.CurrentCommand(), r.command);
  }
}

}  // namespace
}  // namespace qp::nntp
