#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/Streams.h"
#include "cli/FeedCommand.h"
#include "support/TempDir.h"

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

}  // namespace
}  // namespace qp::cli
