#include <gtest/gtest.h>

#include <filesystem>
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
  MemoryArticle client(Crlf({"", "begin 644 x", "bad", "end", "."}));
  EXPECT_THROW(client.Receive(message), ENetException);
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

TEST(DecoderRegistry, MimeThenUue) {
  EXPECT_EQ(TMessageDecoderList::Names(), (std::vector<std::string>{"MIME", "UUE"}));
  EXPECT_EQ(UnstuffLine(".."), ".");
  EXPECT_EQ(UnstuffLine(".x"), ".x");
}

}  // namespace
}  // namespace qp::message
