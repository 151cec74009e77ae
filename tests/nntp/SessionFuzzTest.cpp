// Random and mutated server sessions played to the client from memory: every one must end in
// a result or one of the system's own exceptions, with the session in step or dropped.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "nntp/NNTP.h"
#include "support/Encoders.h"
#include "support/MemoryIOHandler.h"
#include "support/MessageFixtures.h"
#include "support/Mutation.h"

namespace qp::nntp {
namespace {

using test::Crlf;

// A whole session as a server would speak it: greeting, mode reader, group, overview, group
// list, article, group again.
std::string SeedSession() {
  return Crlf({"200 hi",
               "200 reader",
               "211 2 1 2 alt.test",
               "224 overview",
               "1\ta\tb\t\t<1@x>",
               "..2\tdot",
               ".",
               "215 list",
               "alt.test 2 1 y",
               ".",
               "220 1 <1@x>",
               "Content-Type: multipart/mixed; boundary=b",
               "",
               "--b",
               "",
               "text",
               "--b",
               "Content-Type: application/zip; name=z",
               "Content-Transfer-Encoding: base64",
               "",
               "QUJD",
               "--b--",
               "begin 644 u",
               "#86)C",
               "end",
               ".",
               "211 2 1 2 alt.test"});
}

const char* const kSplices[] = {".",
                                "..",
                                "",
                                "211 9 9 9 forged",
                                "224-more",
                                "480 login",
                                "--b",
                                "QUJ",
                                "begin 644 x",
                                "end",
                                "=?ISO-8859-1?Q?=ZZ?=",
                                "From: <a@b>@c",
                                "220 18446744073709551616 <x>"};

class SessionFuzz : public test::TempFolderTest {
 protected:
  void Play(const std::string& input, std::size_t chunk) {
    test::TMemoryIOHandler io(input, chunk);
    TNNTP client;
    client.SetIOHandler(&io);
    try {
      client.Connect();
      client.SelectGroup("alt.test");
      TStringList lines;
      try {
        client.FetchOverview("1-2", lines);
      } catch (const Exception&) {
      }
      EXPECT_FALSE(client.ReplyDataOpen());
      try {
        client.ListGroups(lines);
      } catch (const Exception&) {
      }
      EXPECT_FALSE(client.ReplyDataOpen());
      message::TMessage message;
      try {
        client.RetrieveArticle(1, "", message);
      } catch (const Exception&) {
      }
      EXPECT_FALSE(client.ReplyDataOpen());
      client.SelectGroup("alt.test");
    } catch (const Exception&) {
    }
    EXPECT_FALSE(client.ReplyDataOpen());
    client.SetIOHandler(nullptr);
  }
};

TEST_F(SessionFuzz, TheSeedSessionIsReadWhole) {
  test::TMemoryIOHandler io(SeedSession(), 7);
  TNNTP client;
  client.SetIOHandler(&io);
  client.Connect();
  client.SelectGroup("alt.test");
  TStringList overview, groups;
  client.FetchOverview("1-2", overview);
  client.ListGroups(groups);
  message::TMessage message;
  ASSERT_TRUE(client.RetrieveArticle(1, "", message));
  client.SelectGroup("alt.test");
  EXPECT_EQ(overview.Count(), 2);
  EXPECT_EQ(groups.Count(), 1);
  EXPECT_EQ(message.MessageParts.Count(), 3);
  EXPECT_EQ(message.DecodeFailures,
            (TStringList{"Damaged part \"u\": Unrecognized UUE encoding scheme."}));
  EXPECT_EQ(
      io.Sent,
      "mode reader\r\nGroup alt.test\r\nxover 1-2\r\nList\r\nArticle 1\r\nGroup alt.test\r\n");
  client.SetIOHandler(nullptr);
}

TEST_F(SessionFuzz, MutatedSessions) {
  std::mt19937 rng(3977);
  const std::string seed = SeedSession();
  for (int i = 0; i < 1500; ++i) {
    SCOPED_TRACE(i);
    Play(test::MutateText(seed, rng, kSplices), 1 + rng() % 300);
    if (HasFailure()) break;
  }
  EXPECT_EQ(FilesInTemp(), 0) << "attachment files go with their messages";
}

}  // namespace
}  // namespace qp::nntp
