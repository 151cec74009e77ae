// Reading a newsfeed as the user waits for it: a generated RSS document of 10,000 items
// (about 5 MB) read by `quillpost-cli feed --file` end to end (start the process, read the
// file, parse it, walk every node, write one JSON line per item), against libxml2's own
// xmlReadMemory + xmlFreeDoc of the same bytes, in the same run.
#include <fcntl.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "BenchSupport.h"
#include "support/TempDir.h"

namespace {

constexpr int kItems = 10000;

std::string RssDocument() {
  std::string s =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\">\n<channel>\n"
      "<title>Benchmark channel</title>\n<link>http://example.org/</link>\n"
      "<description>A generated feed</description>\n";
  s.reserve(kItems * 520);
  char item[1024];
  for (int i = 1; i <= kItems; ++i) {
    const int n = std::snprintf(
        item, sizeof item,
        "<item>\n"
        " <title>Benchmark item number %d: something happened somewhere &amp; more</title>\n"
        " <link>http://example.org/news/%d.html</link>\n"
        " <description>Item %d of the benchmark feed. A paragraph of text as news sites put "
        "into their descriptions, long enough to make the document weigh what a busy feed "
        "weighs, with an entity &lt;here&gt; and there.</description>\n"
        " <pubDate>Sun, 05 Jan 2003 14:%02d:%02d +0100</pubDate>\n"
        " <guid>http://example.org/news/%d.html</guid>\n"
        "</item>\n",
        i, i, i, i % 60, i % 60, i);
    s.append(item, static_cast<std::size_t>(n));
  }
  return s + "</channel>\n</rss>\n";
}

double ParseSeconds(const std::string& document) {
  qp::bench::Stopwatch watch;
  xmlDocPtr doc =
      xmlReadMemory(document.data(), static_cast<int>(document.size()), nullptr, nullptr, 0);
  if (doc == nullptr) {
    std::printf("libxml2 did not parse the document\n");
    std::exit(1);
  }
  xmlFreeDoc(doc);
  return watch.Seconds();
}

// Runs the command with its output thrown away, without a shell in between.
double CliSeconds(const std::string& path) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::string cli = QP_CLI_PATH, feed = "feed", file = "--file", target = path;
  char* argv[] = {cli.data(), feed.data(), file.data(), target.data(), nullptr};
  qp::bench::Stopwatch watch;
  pid_t pid = 0;
  int status = -1;
  if (posix_spawn(&pid, cli.c_str(), &actions, nullptr, argv, environ) == 0)
    ::waitpid(pid, &status, 0);
  const double seconds = watch.Seconds();
  posix_spawn_file_actions_destroy(&actions);
  if (status != 0) {
    std::printf("quillpost-cli failed with status %d\n", status);
    std::exit(1);
  }
  return seconds;
}

// The number of lines the command prints: the site line and one per item.
int CliLines(const std::string& path) {
  const std::string command = std::string(QP_CLI_PATH) + " feed --file " + path;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  int lines = 0;
  for (int c; (c = std::fgetc(pipe)) != EOF;) lines += c == '\n';
  return ::pclose(pipe) == 0 ? lines : -1;
}

}  // namespace

int main() {
  xmlInitParser();
  const std::string document = RssDocument();
  const double mb = static_cast<double>(document.size()) / 1e6;
  qp::test::TempDir dir;
  const std::string path = dir.File("feed.xml");
  std::ofstream(path, std::ios::binary) << document;
  std::printf("document: %d items, %.1f MB\n", kItems, mb);
  const int lines = CliLines(path);
  if (lines != kItems + 2) {  // the site line, the channel's own item, the items
    std::printf("quillpost-cli printed %d lines, not %d\n", lines, kItems + 2);
    return 1;
  }
  double parse = 1e9, cli = 1e9;
  for (int round = 0; round < 9; ++round) {  // best of nine for each: the machine is shared
    parse = std::min(parse, ParseSeconds(document));
    cli = std::min(cli, CliSeconds(path));
  }
  std::printf("libxml2 xmlReadMemory + xmlFreeDoc: %.1f ms\n", parse * 1e3);
  std::printf("quillpost-cli feed --file: %.1f ms\n", cli * 1e3);
  const double cliRate = mb / cli;
  std::printf("baseline: bare tree build %.1f MB/s; quillpost-cli feed %.1f MB/s\n", mb / parse,
              cliRate);
  qp::bench::PrintResult("feed_cli", cliRate, "MB/s", parse / cli, 0.67);
  return 0;
}
