#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ReceptionSupport.h"
#include "message/MessageCoderMIME.h"
#include "support/MessageFixtures.h"

namespace qp::message {
namespace {

using test::AttachmentAt;
using test::Crlf;
using test::MemoryArticle;
using test::TempFolderTest;
using test::TextAt;

using ReceptionFiles = TempFolderTest;

TEST_F(ReceptionFiles, TemporaryFilesAreRemovedAtClear) {
  TMessage message;
  MemoryArticle client(Crlf({"", "begin 644 a.bin"}) + test::UuLines(test::BinaryPattern(50)) +
                       Crlf({"end", "."}));
  client.Receive(message);
  ASSERT_EQ(message.MessageParts.Count(), 1);
  const std::string stored = AttachmentAt(message, 0).StoredPath;
  EXPECT_EQ(stored.rfind(Dir.Path() + "/Qpt", 0), 0u) << stored;
  EXPECT_TRUE(std::filesystem::exists(stored));
  message.Clear();
  EXPECT_FALSE(std::filesystem::exists(stored));
  EXPECT_EQ(FilesInTemp(), 0);
}

TEST_F(ReceptionFiles, WorkBracketsCloseOnFailure) {
  TMessage message;
  // No folder for the attachment's temporary file.
  setenv("TMPDIR", (Dir.Path() + "/missing").c_str(), 1);
  MemoryArticle client(Crlf({"", "begin 644 x"}) + test::UuLines(test::BinaryPattern(45)) +
                       Crlf({"end", "."}));
  EXPECT_THROW(client.Receive(message), EFCreateError);
  EXPECT_EQ(client.WorkBegins, 2);
  EXPECT_EQ(client.WorkEnds, 2);

  MemoryArticle cut(Crlf({"Subject: x", "", "line"}));
  EXPECT_THROW(cut.Receive(message), EConnClosedGracefully);
  EXPECT_EQ(cut.WorkBegins, 2);
  EXPECT_EQ(cut.WorkEnds, 2);
  EXPECT_EQ(message.Body, (TStringList{"line"}));
}

TEST_F(ReceptionFiles, NoDecodeCapturesTheBodyRaw) {
  TMessage message;
  message.NoDecode = true;
  MemoryArticle client(Crlf({"begin 644 x", "..dot", "."}));
  message.Headers.Clear();
  client.Reader().ReadMessageBody(message, ".");
  EXPECT_EQ(message.Body, (TStringList{"begin 644 x", ".dot"}));
  EXPECT_EQ(message.MessageParts.Count(), 0);
}

// Builds a multipart article whose boundaries nest depth deep (the top level counts).
std::string NestedArticle(int depth) {
  std::vector<std::string> lines = {"Content-Type: multipart/mixed; boundary=\"B0\"", ""};
  for (int i = 0; i < depth; ++i) {
    lines.push_back("--B" + std::to_string(i));
    if (i + 1 < depth) {
      lines.push_back("Content-Type: multipart/mixed; boundary=\"B" + std::to_string(i + 1) + "\"");
      lines.push_back("");
    } else {
      lines.insert(lines.end(), {"Content-Type: text/plain", "", "leaf"});
    }
  }
  for (int i = depth - 1; i >= 0; --i) lines.push_back("--B" + std::to_string(i) + "--");
  lines.push_back(".");
  return Crlf(lines);
}

TEST_F(ReceptionFiles, NestingDepthPass) {
  const int depth = TMessageDecoderMIME::MaxBoundaryDepth;
  TMessage message;
  MemoryArticle client(NestedArticle(depth));
  client.Receive(message);
  ASSERT_EQ(message.MessageParts.Count(), depth);
  EXPECT_EQ(TextAt(message, depth - 1).Lines, (TStringList{"leaf"}));
}

TEST_F(ReceptionFiles, NestingDepthFailReadsTheTooDeepPartWhole) {
  const int depth = TMessageDecoderMIME::MaxBoundaryDepth + 1;
  TMessage message;
  MemoryArticle client(NestedArticle(depth));
  client.Receive(message);
  ASSERT_EQ(message.MessageParts.Count(), depth - 1);
  const std::string inner = "--B" + std::to_string(depth - 1);
  EXPECT_EQ(TextAt(message, depth - 2).Lines,
            (TStringList{inner, "Content-Type: text/plain", "", "leaf", inner + "--"}));
  EXPECT_LE(message.BoundaryStack.Count(), TMessageDecoderMIME::MaxBoundaryDepth);
}

// An article: header, then count lines made by line(i), then ".".
std::string Article(const std::string& header, int count,
                    const std::function<std::string(int)>& line) {
  std::string article = header;
  article.reserve(header.size() + static_cast<std::size_t>(count) * (line(0).size() + 2) + 16);
  for (int i = 0; i < count; ++i) {
    article += line(i);
    article += "\r\n";
  }
  return article + ".\r\n";
}

// Every limit on what an article can make the reader hold, as a pair: at the limit the
// article is read, one beyond it fails with a message that names the limit.
TEST_F(ReceptionFiles, LimitsOnWhatAnArticleCanMakeTheReaderHold) {
  const std::string headerLine = "X-Pad: " + std::string(1048576 / 64 - 7, 'h');
  const std::string bodyLine(65534, 'b');
  const std::string multipart = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
  const auto same = [](std::string line) { return [line](int) { return line; }; };
  // The first line one byte longer than the others.
  const auto longerFirst = [](std::string line) {
    return [line](int i) { return i == 0 ? line + "+" : line; };
  };
  struct Row {
    const char* name;
    std::function<std::string()> article;  // built when the row runs: some are 64 MiB
    std::string error;                     // "" when the article must be read
  };
  const Row rows[] = {
      {"10000 header lines", [&] { return Article("", 10000, same("X: 1")); }, ""},
      {"10001 header lines", [&] { return Article("", 10001, same("X: 1")); },
       "Article header exceeds the limit of 10000 lines."},
      {"1 MiB of header", [&] { return Article("", 64, same(headerLine)); }, ""},
      {"1 MiB and a byte of header", [&] { return Article("", 64, longerFirst(headerLine)); },
       "Article header exceeds the limit of 1048576 bytes."},
      {"10000 part header lines",
       [&] {
         return Article(multipart + "--b\r\n", 10001,
                        [](int i) { return i < 10000 ? "X: 1" : ""; });
       },
       ""},
      {"10001 part header lines",
       [&] { return Article(multipart + "--b\r\n", 10001, same("X: 1")); },
       "Part header exceeds the limit of 10000 lines."},
      // Each part: a delimiter line and the empty line that ends its (empty) header.
      {"10000 parts", [&] { return Article(multipart, 10000, same("--b\r\n")); }, ""},
      {"10001 parts", [&] { return Article(multipart, 10001, same("--b\r\n")); },
       "Article exceeds the limit of 10000 parts."},
      {"64 MiB of body text", [&] { return Article("\r\n", 1024, same(bodyLine)); }, ""},
      {"64 MiB and a byte of body text",
       [&] { return Article("\r\n", 1024, longerFirst(bodyLine)); },
       "Article text exceeds the limit of 67108864 bytes held in memory."},
      {"beyond 64 MiB in a text part",
       [&] {
         return Article(multipart, 1100,
                        [&](int i) { return i == 512 ? std::string("--b\r\n") : bodyLine; });
       },
       "Article text exceeds the limit of 67108864 bytes held in memory."},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TMessage message;
    MemoryArticle client(r.article());
    try {
      client.Receive(message);
      EXPECT_EQ(r.error, "") << "no failure";
    } catch (const ELimitExceeded& e) {
      EXPECT_EQ(e.Message(), r.error);
    }
  }
}

TEST(DecoderRegistry, MimeThenUue) {
  EXPECT_EQ(TMessageDecoderList::Names(), (std::vector<std::string>{"MIME", "UUE"}));
  EXPECT_EQ(UnstuffLine(".."), ".");
  EXPECT_EQ(UnstuffLine(".x"), ".x");
}

}  // namespace
}  // namespace qp::message
