#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/Streams.h"
#include "cli/FeedCommand.h"
#include "support/LoopbackServer.h"
#include "support/TempDir.h"
#include "support/WebServer.h"

namespace qp::cli {
namespace {

struct CliRun {
  int code;
  std::string out, err;
};

CliRun RunFeed(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = RunFeedCommand(args, out, err);
  return {code, out.str(), err.str()};
}

std::string WriteFile(const test::TempDir& dir, const std::string& name,
                      const std::string& content) {
  TFileStream file(dir.File(name), TFileMode::fmCreate);
  file.WriteString(content);
  return dir.File(name);
}

TEST(FeedCommand, FilePrintsTheSiteThenTheItemsOfTheTree) {
  test::TempDir dir;
  struct Row {
    const char* name;
    std::string document;
    std::string lines;  // after the site line
  };
  const Row rows[] = {
      {"xml",
       "<rss><channel><title>Chan \"nel\"</title><link>http://c/</link>"
       "<item><title>Caf\xC3\xA9</title><link>http://c/1</link></item>"
       "<item><title><![CDATA[skipped]]></title><link>http://c/2</link></item>"
       "<item><title>Two</title><link>http://c/3</link></item></channel></rss>",
       "{\"title\":\"Chan \\\"nel\\\"\",\"link\":\"http://c/\",\"index\":0}\n"
       "{\"title\":\"Caf\xC3\xA9\",\"link\":\"http://c/1\",\"index\":1}\n"
       "{\"title\":\"Two\",\"link\":\"http://c/3\",\"index\":2}\n"},
      {"text", "T1\r\nhttp://one/\r\nd\r\n&&\r\nT2\r\nd\r\nhttp://two/\r\n",
       "{\"title\":\"T1\\r\",\"link\":\"http://one/\\r\",\"index\":0}\n"
       "{\"title\":\"&&\\r\",\"link\":\"http://one/\\r\",\"index\":1}\n"},
      {"text without records", "just a line\n", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string path = WriteFile(dir, std::string(r.name) + ".feed", r.document);
    const CliRun run = RunFeed({"--file", path});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string format = std::string(r.name) == "xml" ? "xml" : "text";
    EXPECT_EQ(run.out, "{\"site\":\"" + path + "\",\"format\":\"" + format + "\"}\n" + r.lines);
  }
}

TEST(FeedCommand, FileMayBeAPipe) {
  test::TempDir dir;
  const std::string fifo = dir.File("feed.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    TFileStream pipe(fifo, TFileMode::fmOpenWrite);
    pipe.WriteString("T\nd\nhttp://x/\n");
  });
  const CliRun run = RunFeed({"--file", fifo});
  writer.join();
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "{\"site\":\"" + fifo +
                         "\",\"format\":\"text\"}\n"
                         "{\"title\":\"T\",\"link\":\"http://x/\",\"index\":0}\n");
}

TEST(FeedCommand, FailuresGoToStandardErrorWithNonZeroExit) {
  test::TempDir dir;
  struct Row {
    const char* name;
    std::vector<std::string> args;
    int code;
    std::string err;
  };
  const Row rows[] = {
      {"no arguments", {}, 2, "usage: quillpost-cli feed --file PATH"},
      {"--file without a path", {"--file"}, 2, "--file needs exactly one PATH"},
      {"unknown option", {"--url", "x"}, 2, "unknown option --url"},
      {"missing file",
       {"--file", dir.File("absent.xml")},
       1,
       "Cannot open file \"" + dir.File("absent.xml") + "\""},
      {"a folder", {"--file", dir.Path()}, 1, "cannot read \"" + dir.Path() + "\": it is a folder"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const CliRun run = RunFeed(r.args);
    EXPECT_EQ(run.code, r.code);
    EXPECT_NE(run.err.find(r.err), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST(FeedCommand, UrlPrintsWhatTheTreeShowsForTheFetchedDocument) {
  const std::string rss =
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><rss><channel><title>Chan</title>"
      "<link>http://c/</link><item><title>Caf\xe9</title><link>http://c/1</link></item>"
      "<item><title><![CDATA[no node]]></title><link>http://c/2</link></item></channel></rss>";
  const std::string atom =
      "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>F</title><link href=\"/\"/>"
      "<entry><title type=\"html\">&lt;i&gt;One&lt;/i&gt;</title><link href=\"p/1\"/></entry>"
      "<entry><title>Two</title></entry></feed>";
  test::LoopbackServer server(
      test::WebServer({{"/feed.xml", rss}, {"/blog/atom.xml", {atom, "me:pw"}}}), 5);
  struct Row {
    const char* name;
    std::string url;
    std::string out;
  };
  const std::string rssUrl = test::WebUrl(server, "/feed.xml");
  const std::string atomUrl = test::WebUrl(server, "/blog/atom.xml", "me:pw");
  const Row rows[] = {
      {"xml", rssUrl,
       "{\"site\":\"" + rssUrl +
           "\",\"format\":\"xml\"}\n"
           "{\"title\":\"Chan\",\"link\":\"http://c/\",\"index\":0}\n"
           "{\"title\":\"Caf\xC3\xA9\",\"link\":\"http://c/1\",\"index\":1}\n"},
      {"atom behind a login", atomUrl,
       "{\"site\":\"" + atomUrl +
           "\",\"format\":\"atom\"}\n"
           "{\"title\":\"One\",\"link\":\"" +
           test::WebUrl(server, "/blog/p/1") +
           "\",\"index\":0}\n"
           "{\"title\":\"Two\",\"link\":\"\",\"index\":1}\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const CliRun run = RunFeed({r.url});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, r.out);
  }
}

TEST(FeedCommand, FailedFetchPrintsTheLogLineAndExitsWithOne) {
  test::LoopbackServer server(test::WebServer({{"/private.xml", {"<r/>", "me:pw"}}}), 5);
  const std::string refused =
      "http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/feed.xml";
  const std::pair<std::string, std::string> rows[] = {
      {refused, "Error in FTP process - Connection refused\n"},
      {test::WebUrl(server, "/private.xml", "me:guess"),
       "Error in FTP process - 401 Unauthorized\n"},
  };
  for (const auto& [url, err] : rows) {
    SCOPED_TRACE(url);
    const CliRun run = RunFeed({url});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, err);
    EXPECT_EQ(run.out, "");
  }
}

}  // namespace
}  // namespace qp::cli
