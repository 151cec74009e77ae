#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "cli/Json.h"
#include "cli/NewsCommand.h"
#include "support/Encoders.h"
#include "support/LoopbackServer.h"
#include "support/NewsServer.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace qp::cli {
namespace {

using test::LoopbackServer;
using test::NewsServer;
using test::PeerSession;

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

struct CliRun {
  int code;
  std::string out, err;
};

CliRun RunNews(std::vector<std::string> args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  const int code = RunNewsCommand(args, in, out, err);
  return {code, out.str(), err.str()};
}

class NewsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

TEST_F(NewsCommandTest, GroupsPrintOneObjectPerGroup) {
  LoopbackServer server(NewsServer(
      {{"List", "215 list\r\nalt.test 0000012345 0000012000 y\r\nq\"uote 2 1 n\r\n.\r\n"}}));
  const CliRun r = RunNews({"127.0.0.1:" + std::to_string(server.Port()), "groups"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"name\":\"alt.test\",\"high\":12345,\"low\":12000,\"status\":\"y\"}\n"
            "{\"name\":\"q\\\"uote\",\"high\":2,\"low\":1,\"status\":\"n\"}\n");
}

TEST_F(NewsCommandTest, OverviewGivesTheMessageListFields) {
  LoopbackServer server(
      NewsServer({{"Group alt.test", "211 2 100 101 alt.test\r\n"},
                  {"xover 100-101",
                   "224 overview\r\n"
                   "100\tHello\tjoe@x\tSun, 05 Jan 2003 14:03:07 +0100\t<a@b>\t\t1234\t20\r\n"
                   "101\tSecond\tann@y\t\t<c@d>\t<a@b>\t5\t1\tXref: x\r\n.\r\n"}}));
  const CliRun r = RunNews({"127.0.0.1:" + std::to_string(server.Port()), "overview", "alt.test"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"number\":100,\"subject\":\"Hello\",\"subject_text\":\"Hello\",\"from\":\"joe@x\","
            "\"from_text\":\"joe@x\",\"date\":\"2003-01-05T13:03:07\","
            "\"message_id\":\"<a@b>\",\"references\":\"\",\"bytes\":1234,\"lines\":20}\n"
            "{\"number\":101,\"subject\":\"Second\",\"subject_text\":\"Second\",\"from\":\"ann@y\","
            "\"from_text\":\"ann@y\",\"date\":\"1899-12-30T00:00:00\","
            "\"message_id\":\"<c@d>\",\"references\":\"<a@b>\",\"bytes\":5,\"lines\":1}\n");
}

TEST_F(NewsCommandTest, ArticleNumbersBeyond32Bits) {
  LoopbackServer server(
      NewsServer({{"Group big", "211 2 4294967297 18446744073709551615 big\r\n"},
                  {"xover 4294967297-18446744073709551615",
                   "224 overview\r\n4294967297\ta\r\n18446744073709551615\tb\r\n.\r\n"},
                  {"Article 18446744073709551615",
                   "220 18446744073709551615 <m@x>\r\n\r\nbody\r\n.\r\n"}}),
      2);
  const std::string host = "127.0.0.1:" + std::to_string(server.Port());
  const CliRun overview = RunNews({host, "overview", "big"});
  EXPECT_EQ(overview.code, 0) << overview.err;
  EXPECT_NE(overview.out.find("{\"number\":4294967297,"), std::string::npos) << overview.out;
  EXPECT_NE(overview.out.find("{\"number\":18446744073709551615,"), std::string::npos);
  const CliRun article = RunNews({host, "article", "big", "18446744073709551615"});
  EXPECT_EQ(article.code, 0) << article.err;
  EXPECT_EQ(article.out.rfind("{\"number\":18446744073709551615,", 0), 0u) << article.out;
}

TEST_F(NewsCommandTest, ArticleSavesAttachmentsByteForByte) {
  const std::string jpeg = RandomBytes(5000, 1);
  const std::string binary = RandomBytes(1000, 2);
  const std::string article =
      "220 7 <m@x>\r\n"
      "Subject: pictures\r\n"
      "Content-Type: multipart/mixed; boundary=\"XX\"\r\n\r\n"
      "preamble\r\n--XX\r\nContent-Type: text/plain\r\n\r\nhello\r\n"
      "--XX\r\nContent-Type: image/jpeg; name=\"../../a.jpg\"\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\n" +
      test::Base64Lines(jpeg) + "--XX--\r\nbegin 644 /tmp/evil.bin\r\n" + test::UuLines(binary) +
      "`\r\nend\r\n" + ".\r\n";
  LoopbackServer server(
      NewsServer({{"Group alt.bin", "211 1 7 7 alt.bin\r\n"}, {"Article 7", article}}));
  test::TempDir dir;
  const CliRun r = RunNews({"127.0.0.1:" + std::to_string(server.Port()), "article", "alt.bin", "7",
                            "--save", dir.Path()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(test::ReadWholeFile(dir.File("a.jpg")), jpeg);
  EXPECT_EQ(test::ReadWholeFile(dir.File("evil.bin")), binary);
  EXPECT_NE(r.out.find("\"parts\":[{\"type\":\"text\",\"lines\":[\"hello\"],\"text\":\"hello\"},"
                       "{\"type\":\"attachment\",\"file_name\":\"../../a.jpg\",\"size\":5000,"
                       "\"saved_as\":" +
                       JsonString(dir.File("a.jpg")) +
                       "},"
                       "{\"type\":\"attachment\",\"file_name\":\"/tmp/evil.bin\",\"size\":1000,"
                       "\"saved_as\":" +
                       JsonString(dir.File("evil.bin")) + "}]"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"body\":[\"preamble\"]"), std::string::npos) << r.out;
}

// The decoded fields beside the raw ones: encoded words in subject and sender, and each text
// part's text from its own charset.
TEST_F(NewsCommandTest, DecodedTextBesideTheRawFields) {
  const std::string article =
      "220 7 <m@x>\r\nContent-Type: multipart/mixed; boundary=B\r\n\r\n"
      "pr\xe9"
      "ambule\r\n--B\r\nContent-Type: text/plain; charset=koi8-r\r\n\r\n"
      "\xf0\xd2\xc9\xd7\xc5\xd4\r\nline 2\r\n--B\r\nContent-Type: text/plain; charset=utf-8\r\n"
      "Content-Transfer-Encoding: quoted-printable\r\n\r\nCaf=C3=A9\r\n--B--\r\n.\r\n";
  LoopbackServer server(
      NewsServer({{"Group alt.test", "211 1 7 7 alt.test\r\n"},
                  {"xover 7-7",
                   "224 overview\r\n7\t=?ISO-8859-1?Q?Caf=E9?= =?UTF-8?B?Y3LDqG1l?=\t"
                   "=?KOI8-R?Q?=F0=D2=C9=D7=C5=D4?= <p@x>\t\t<m@x>\t\t10\t1\r\n.\r\n"},
                  {"Article 7", article}}),
      2);
  const std::string host = "127.0.0.1:" + std::to_string(server.Port());
  const CliRun overview = RunNews({host, "overview", "alt.test"});
  EXPECT_EQ(overview.code, 0) << overview.err;
  EXPECT_NE(overview.out.find("\"subject\":\"=?ISO-8859-1?Q?Caf=E9?= =?UTF-8?B?Y3LDqG1l?=\","
                              "\"subject_text\":\"Caf\xc3\xa9"
                              "cr\xc3\xa8me\","),
            std::string::npos)
      << overview.out;
  EXPECT_NE(overview.out.find("\"from_text\":\"\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 "
                              "<p@x>\""),
            std::string::npos)
      << overview.out;
  const CliRun r = RunNews({host, "article", "alt.test", "7"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"body\":[\"pr\\u00e9ambule\"],\"body_text\":\"pr\xc3\xa9"
                       "ambule\""),
            std::string::npos)
      << r.out;
  EXPECT_NE(
      r.out.find(
          "\"parts\":[{\"type\":\"text\",\"lines\":[\"\\u00f0\\u00d2\\u00c9\\u00d7\\u00c5\\u00d4\","
          "\"line 2\"],\"text\":\"\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\\nline 2\"},"
          "{\"type\":\"text\",\"lines\":[\"Caf\xc3\xa9\"],\"text\":\"Caf\xc3\xa9\"}]"),
      std::string::npos)
      << r.out;
}

TEST_F(NewsCommandTest, DamagedPartsAreWarnedAboutOnStandardError) {
  const std::string article =
      "220 7 <m@x>\r\nContent-Type: application/zip; name=a.zip\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\nQUJD\r\nQUJ\r\n.\r\n";
  LoopbackServer server(
      NewsServer({{"Group alt.bin", "211 1 7 7 alt.bin\r\n"}, {"Article 7", article}}));
  const CliRun r =
      RunNews({"127.0.0.1:" + std::to_string(server.Port()), "article", "alt.bin", "7"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err,
            "quillpost-cli: warning: Damaged part \"a.zip\": Uneven size in DecodeToStream.\n");
  EXPECT_NE(r.out.find("{\"type\":\"attachment\",\"file_name\":\"a.zip\",\"size\":3}"),
            std::string::npos)
      << r.out;
}

TEST_F(NewsCommandTest, SaveNamesTheAttachmentItCannotWriteAndKeepsExistingFiles) {
  const std::string article = "220 7 <m@x>\r\n\r\nbegin 644 ../keep.bin\r\n" +
                              test::UuLines(RandomBytes(100, 3)) + "`\r\nend\r\n.\r\n";
  LoopbackServer server(
      NewsServer({{"Group alt.bin", "211 1 7 7 alt.bin\r\n"}, {"Article 7", article}}));
  test::TempDir dir;
  {
    std::ofstream existing(dir.File("keep.bin"), std::ios::binary);
    existing << "mine";
  }
  const CliRun r = RunNews({"127.0.0.1:" + std::to_string(server.Port()), "article", "alt.bin", "7",
                            "--save", dir.Path()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cannot save '../keep.bin' as '" + dir.File("keep.bin") +
                       "': Error saving attachment."),
            std::string::npos)
      << r.err;
  EXPECT_EQ(test::ReadWholeFile(dir.File("keep.bin")), "mine");
}

// Attachments of one name are saved as name, name-1, name-2; a name that cannot be used
// becomes attachment-N; a failed save is noted for its attachment and the others go on.
TEST_F(NewsCommandTest, SaveGivesEachAttachmentAFileOfItsOwn) {
  const std::string longName = std::string(300, 'x') + ".bin";
  const auto uu = [](const std::string& name, char fill) {
    return "begin 644 " + name + "\r\n" + test::UuLines(std::string(50, fill)) + "`\r\nend\r\n";
  };
  const std::string article = "220 7 <m@x> article retrieved\r\nMessage-ID: <m@x>\r\n\r\n" +
                              uu("same.txt", '1') + uu("same.txt", '2') + uu("same.txt", '3') +
                              uu(std::string("nul\0name.txt", 12), 'n') + uu(longName, 'l') +
                              uu("taken.txt", 't') + uu("last.txt", 'z') + ".\r\n";
  LoopbackServer server(
      NewsServer({{"Group alt.bin", "211 1 7 7 alt.bin\r\n"}, {"Article 7", article}}));
  test::TempDir dir;
  std::ofstream(dir.File("taken.txt")) << "mine";
  const CliRun r = RunNews({"127.0.0.1:" + std::to_string(server.Port()), "article", "alt.bin", "7",
                            "--save", dir.Path()});
  EXPECT_EQ(r.code, 1) << "one save failed";
  EXPECT_NE(r.out.find("\"message_id\":\"<m@x>\","), std::string::npos)
      << "the Message-ID without the reply's words: " << r.out;
  struct Row {
    const char* name;
    std::string file;
    char fill;
  };
  const Row rows[] = {
      {"first of a name", "same.txt", '1'},
      {"second of a name", "same-1.txt", '2'},
      {"third of a name", "same-2.txt", '3'},
      {"NUL byte in the name", "attachment-4", 'n'},
      {"name too long for the file system", "attachment-5", 'l'},
      {"after a failure", "last.txt", 'z'},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(test::ReadWholeFile(dir.File(row.file)), std::string(50, row.fill));
    EXPECT_NE(r.out.find("\"saved_as\":" + JsonString(dir.File(row.file))), std::string::npos)
        << r.out;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("nul"))) << "the name was not cut at the NUL";
  EXPECT_EQ(test::ReadWholeFile(dir.File("taken.txt")), "mine");
  const std::string error =
      "cannot save 'taken.txt' as '" + dir.File("taken.txt") + "': Error saving attachment.";
  EXPECT_NE(r.out.find("\"error\":" + JsonString(error)), std::string::npos) << r.out;
  EXPECT_NE(r.err.find(error), std::string::npos) << r.err;
}

TEST(ChooseSaveName, NamesTheFileOfOneAttachment) {
  test::TempDir dir;
  std::ofstream(dir.File("on-disk-1.txt")) << "x";
  const std::string folder = dir.Path() + "/";
  struct Row {
    const char* name;
    std::string fileName;
    std::set<std::string> used;
    std::size_t nameMax;
    std::string chosen;
  };
  const Row rows[] = {
      {"last component only", "../../etc/a.txt", {}, 255, "a.txt"},
      {"empty", "", {}, 255, "attachment-3"},
      {"a folder", "dir/", {}, 255, "attachment-3"},
      {"too long", std::string(20, 'y'), {}, 10, "attachment-3"},
      {"just fits", std::string(10, 'y'), {}, 10, std::string(10, 'y')},
      {"third of a name", "a.txt", {"a.txt", "a-1.txt"}, 255, "a-2.txt"},
      {"the numbered name is on disk", "on-disk.txt", {"on-disk.txt"}, 255, "on-disk-2.txt"},
      {"no extension", "README", {"README"}, 255, "README-1"},
      {"a leading dot starts no extension", ".rc", {".rc"}, 255, ".rc-1"},
      {"last dot only", "a.tar.gz", {"a.tar.gz"}, 255, "a.tar-1.gz"},
      {"second unusable name", "", {"attachment-3"}, 255, "attachment-3-1"},
      {"no numbered name fits", "abcdefghij", {"abcdefghij"}, 10, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ChooseSaveName(r.fileName, 2, r.used, folder, r.nameMax), r.chosen);
  }
}

// The password need not be on the command line: standard input or the environment.
TEST_F(NewsCommandTest, PasswordFromStandardInputOrTheEnvironment) {
  struct Row {
    const char* name;
    std::vector<std::string> options;
    const char* environment;  // QUILLPOST_PASSWORD, nullptr for unset
    std::string input;
    std::string sentPassword;
  };
  const Row rows[] = {
      {"standard input", {"--user", "joe", "--password", "-"}, nullptr, "s3cret\n", "s3cret"},
      {"standard input with CR LF",
       {"--user", "joe", "--password", "-"},
       nullptr,
       "s3cret\r\n",
       "s3cret"},
      {"standard input before the environment",
       {"--user", "joe", "--password", "-"},
       "env",
       "s3cret\n",
       "s3cret"},
      {"environment", {"--user", "joe"}, "from env", "", "from env"},
      {"the command line before the environment",
       {"--user", "joe", "--password", "given"},
       "env",
       "",
       "given"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    test::ScopedEnv env("QUILLPOST_PASSWORD", r.environment);
    LoopbackServer server(NewsServer({{"List", "215 list\r\nmembers.only 1 1 y\r\n.\r\n"},
                                      {"AuthInfo User joe", "381 more\r\n"},
                                      {"AuthInfo Pass " + r.sentPassword, "281 ok\r\n"}}));
    std::vector<std::string> args = r.options;
    args.push_back("127.0.0.1:" + std::to_string(server.Port()));
    args.push_back("groups");
    const CliRun run = RunNews(args, r.input);
    server.Join();
    // A user name logs in right after connecting, so the members' group is listed.
    EXPECT_EQ(server.Received(), "mode reader\r\nAuthInfo User joe\r\nAuthInfo Pass " +
                                     r.sentPassword + "\r\nList\r\nQuit\r\n");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out.rfind("{\"name\":\"members.only\"", 0), 0u) << run.out;
  }
}

TEST_F(NewsCommandTest, ALoginWithoutAUserNameIsNotSent) {
  test::ScopedEnv env("QUILLPOST_PASSWORD", "secret");
  LoopbackServer server(NewsServer({{"List", "480 login first\r\n"}}));
  const CliRun r = RunNews({"127.0.0.1:" + std::to_string(server.Port()), "groups"});
  server.Join();
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("the server requires a login: give --user"), std::string::npos) << r.err;
  EXPECT_EQ(server.Received(), "mode reader\r\nList\r\nQuit\r\n");
}

TEST_F(NewsCommandTest, FailuresGoToStandardErrorWithNonZeroExit) {
  struct Row {
    const char* name;
    std::vector<std::string> args;
    int code;
    std::string err;
  };
  const int refused = test::UnusedLoopbackPort();
  const Row rows[] = {
      {"no action", {"127.0.0.1"}, 2, "missing HOST and action"},
      {"bad port", {"127.0.0.1:x", "groups"}, 2, "PORT must be"},
      {"unknown action", {"h", "post"}, 2, "unknown action post"},
      {"article number beyond 64 bits",
       {"h", "article", "g", "18446744073709551616"},
       2,
       "NUMBER must be a number from 0 to 18446744073709551615, not '18446744073709551616'"},
      {"signed article number", {"h", "article", "g", "+5"}, 2, "NUMBER must be a number"},
      {"refused", {"127.0.0.1:" + std::to_string(refused), "groups"}, 1, "Connection refused."},
      {"no password on standard input",
       {"--password", "-", "h", "groups"},
       2,
       "--password -: no password on standard input"},
      {"--save into no folder",
       {"h", "article", "g", "1", "--save", "/no/such/folder"},
       1,
       "--save: '/no/such/folder' is not an existing folder"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const CliRun run = RunNews(r.args);
    EXPECT_EQ(run.code, r.code);
    EXPECT_NE(run.err.find(r.err), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST(Json, StringsAreEscapedAndEightBitTextKept) {
  EXPECT_EQ(JsonString("a\"b\\c\td\x01"), "\"a\\\"b\\\\c\\td\\u0001\"");
  EXPECT_EQ(JsonString("caf\xc3\xa9"), "\"caf\xc3\xa9\"");
  EXPECT_EQ(JsonString("caf\xe9"), "\"caf\\u00e9\"");
  EXPECT_EQ(JsonString("\xc3"), "\"\\u00c3\"");
}

}  // namespace
}  // namespace qp::cli
