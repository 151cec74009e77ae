#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ReceptionSupport.h"
#include "message/IdMessageCoderMIME.h"
#include "nntp/IdException.h"
#include "support/TempDir.h"

namespace qp {
namespace {

using test::Crlf;
using test::Source;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TIdText& TextAt(TIdMessage& message, int index) {
  auto* text = dynamic_cast<TIdText*>(&message.MessageParts[index]);
  if (text == nullptr) throw Exception("part is not a text part");
  return *text;
}

TIdAttachment& AttachmentAt(TIdMessage& message, int index) {
  auto* attachment = dynamic_cast<TIdAttachment*>(&message.MessageParts[index]);
  if (attachment == nullptr) throw Exception("part is not an attachment");
  return *attachment;
}

// Attachment temporary files go to a folder of the test's own, found through TMPDIR.
class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TMPDIR");
    FOldTmp = old != nullptr ? old : "";
    FHadTmp = old != nullptr;
    setenv("TMPDIR", Dir.Path().c_str(), 1);
  }
  void TearDown() override {
    if (FHadTmp)
      setenv("TMPDIR", FOldTmp.c_str(), 1);
    else
      unsetenv("TMPDIR");
  }
  int FilesInTemp() const {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Dir.Path())) ++n;
    return n;
  }
  test::TempDir Dir;

 private:
  std::string FOldTmp;
  bool FHadTmp = false;
};

// Every case runs over the memory source and over loopback, whole and byte by byte.
class Reception : public TempFolderTest, public ::testing::WithParamInterface<Source> {
 protected:
  bool Receive(const std::string& article) { return test::ReceiveFrom(GetParam(), article, Msg); }
  TIdMessage Msg;
};

TEST_P(Reception, HeaderEndedByDotHasNoBody) {
  EXPECT_FALSE(Receive(Crlf({"Subject: x", ".", "body that is never read", "."})));
  EXPECT_EQ(Msg.Headers, (TStringList{"Subject: x"}));
  EXPECT_EQ(Msg.Subject, "x");
  EXPECT_EQ(Msg.Body.Count(), 0);
}

TEST_P(Reception, FoldedSubjectAndStuffedLines) {
  EXPECT_TRUE(Receive(
      Crlf({"Subject: a", "\tb", "..X-Odd: stuffed", "", "...", "..x", "--", "plain", "."})));
  EXPECT_EQ(Msg.Headers, (TStringList{"Subject: a", "\tb", ".X-Odd: stuffed"}));
  EXPECT_EQ(Msg.Subject, "a b");
  EXPECT_EQ(Msg.Body, (TStringList{"..", ".x", "--", "plain"}));
  EXPECT_EQ(Msg.MessageParts.Count(), 0);
}

TEST_P(Reception, MultipartMixedWithTextAndBase64Image) {
  const std::string jpeg = test::BinaryPattern(300);
  const std::string article =
      Crlf({"Content-Type: multipart/mixed; boundary=\"XyZ\"", "", "preamble", "--XyZ",
            "Content-Type: text/plain", "", "hello", "", "world", "--xyz",
            "Content-Type: image/jpeg; name=\"a.jpg\"", "Content-Transfer-Encoding: base64", ""}) +
      test::Base64Lines(jpeg) + Crlf({"--XyZ--", "epilogue", "."});
  ASSERT_TRUE(Receive(article));
  EXPECT_EQ(Msg.Body, (TStringList{"preamble", "epilogue"}));
  ASSERT_EQ(Msg.MessageParts.Count(), 2);
  EXPECT_EQ(TextAt(Msg, 0).Lines, (TStringList{"hello", "", "world"}));
  TIdAttachment& image = AttachmentAt(Msg, 1);
  EXPECT_EQ(image.FileName, "a.jpg");
  EXPECT_EQ(ReadFile(image.StoredPath), jpeg);
  EXPECT_EQ(Msg.BoundaryStack.Count(), 0);
}

TEST_P(Reception, NestedAlternativeKeepsPartsInOrder) {
  ASSERT_TRUE(Receive(Crlf({"Content-Type: multipart/mixed; boundary=outer",
                            "Content-Transfer-Encoding: 7bit",
                            "",
                            "--outer",
                            "Content-Type: multipart/alternative;",
                            " boundary=\"inner\"",
                            "",
                            "--inner",
                            "Content-Type: text/plain",
                            "",
                            "plain text",
                            "--inner",
                            "Content-Type: text/html",
                            "",
                            "<p>html</p>",
                            "--inner--",
                            "between",
                            "--outer",
                            "Content-Type: text/plain",
                            "",
                            "last",
                            "--outer--",
                            "."})));
  ASSERT_EQ(Msg.MessageParts.Count(), 4);
  EXPECT_EQ(TextAt(Msg, 0).Lines.Count(), 0);
  EXPECT_EQ(TextAt(Msg, 1).Lines, (TStringList{"plain text"}));
  EXPECT_EQ(TextAt(Msg, 2).Lines, (TStringList{"<p>html</p>"}));
  EXPECT_EQ(TextAt(Msg, 3).Lines, (TStringList{"last"}));
  EXPECT_EQ(Msg.Body, (TStringList{"between"}));
}

TEST_P(Reception, QuotedPrintableSinglePart) {
  ASSERT_TRUE(Receive(Crlf({"Content-Type: text/plain; charset=iso-8859-1",
                            "Content-Transfer-Encoding: quoted-printable", "", "caf=E9 au", "",
                            "soft=", "ly joined", "", "."})));
  EXPECT_EQ(Msg.Body.Count(), 0);
  ASSERT_EQ(Msg.MessageParts.Count(), 1);
  EXPECT_EQ(TextAt(Msg, 0).Lines, (TStringList{"caf\xE9 au", "", "softly joined", ""}));
}

TEST_P(Reception, Base64SinglePartZip) {
  const std::string zip = test::BinaryPattern(1000);
  ASSERT_TRUE(Receive(
      Crlf({"Content-Type: application/zip; name=a.zip", "Content-Transfer-Encoding: base64", ""}) +
      test::Base64Lines(zip, 64) + Crlf({"."})));
  EXPECT_EQ(Msg.Body.Count(), 0);
  ASSERT_EQ(Msg.MessageParts.Count(), 1);
  EXPECT_EQ(AttachmentAt(Msg, 0).FileName, "a.zip");
  EXPECT_EQ(ReadFile(AttachmentAt(Msg, 0).StoredPath), zip);
}

TEST_P(Reception, UuencodedAndXxencodedBlocks) {
  const std::string first = test::BinaryPattern(100), second = test::BinaryPattern(200);
  const std::string xx = test::BinaryPattern(95);
  ASSERT_TRUE(Receive(Crlf({"Subject: blocks", "", "intro", "begin 644 one.bin"}) +
                      test::UuLines(first) + Crlf({"`", "end", "between", "BEGIN 644 x.bin"}) +
                      test::UuLines(second) + Crlf({" end ", "begin 600 xx.dat"}) +
                      test::XxLines(xx) + Crlf({"+", "END", "outro", "."})));
  EXPECT_EQ(Msg.Body, (TStringList{"intro", "between", "outro"}));
  ASSERT_EQ(Msg.MessageParts.Count(), 3);
  EXPECT_EQ(AttachmentAt(Msg, 0).FileName, "one.bin");
  EXPECT_EQ(ReadFile(AttachmentAt(Msg, 0).StoredPath), first);
  EXPECT_EQ(AttachmentAt(Msg, 1).FileName, "x.bin");
  EXPECT_EQ(ReadFile(AttachmentAt(Msg, 1).StoredPath), second);
  EXPECT_EQ(AttachmentAt(Msg, 2).FileName, "xx.dat");
  EXPECT_EQ(ReadFile(AttachmentAt(Msg, 2).StoredPath), xx);
}

TEST_P(Reception, BeginLinesThatStartNothing) {
  ASSERT_TRUE(Receive(
      Crlf({"", "begin 0644 x", "begin 644", "begin abc x", "begin 0x1 x", "begin $12 x", "."})));
  EXPECT_EQ(Msg.Body, (TStringList{"begin 0644 x", "begin 644", "begin abc x", "begin 0x1 x",
                                   "begin $12 x"}));
}

TEST_P(Reception, AttachmentDispositionWithoutName) {
  ASSERT_TRUE(Receive(Crlf({"Content-Type: multipart/mixed; boundary=b",
                            "",
                            "--b",
                            "Content-Type: text/plain",
                            "Content-Disposition: attachment",
                            "",
                            "data",
                            "--b",
                            "Content-Type: application/octet-stream",
                            "Content-Disposition: attachment;",
                            "\tfilename=\"a b.zip\"",
                            "",
                            "zip",
                            "--b",
                            "Content-Disposition: inline",
                            "Content-Type: image/gif",
                            "",
                            "gif",
                            "--b--",
                            "."})));
  ASSERT_EQ(Msg.MessageParts.Count(), 3);
  EXPECT_EQ(AttachmentAt(Msg, 0).FileName, "");
  EXPECT_EQ(ReadFile(AttachmentAt(Msg, 0).StoredPath), "data\r\n");
  EXPECT_EQ(AttachmentAt(Msg, 1).FileName, "a b.zip");
  EXPECT_EQ(TextAt(Msg, 2).Lines, (TStringList{"gif"}));
}

TEST_P(Reception, ContinuationBeforeAnyPartHeaderIsIgnored) {
  ASSERT_TRUE(
      Receive(Crlf({"Content-Type: multipart/mixed; boundary=b", "", "--b", " stray: continuation",
                    "Content-Type: text/plain", "", "t", "--b--", "."})));
  ASSERT_EQ(Msg.MessageParts.Count(), 1);
  EXPECT_EQ(TextAt(Msg, 0).Lines, (TStringList{"t"}));
}

TEST_P(Reception, ArticleEndInsidePartHeaderEndsTheMessage) {
  ASSERT_TRUE(Receive(
      Crlf({"Content-Type: multipart/mixed; boundary=b", "", "--b", "Content-Type: text/plain", "",
            "first", "--b", "Content-Type: text/plain", "."})));
  ASSERT_EQ(Msg.MessageParts.Count(), 1);
  EXPECT_EQ(TextAt(Msg, 0).Lines, (TStringList{"first"}));
}

TEST_P(Reception, ArticleEndInsideUuencodedBlockEndsTheMessage) {
  const std::string bytes = test::BinaryPattern(90);
  ASSERT_TRUE(
      Receive(Crlf({"", "text", "begin 644 cut.bin"}) + test::UuLines(bytes) + Crlf({"."})));
  EXPECT_EQ(Msg.Body, (TStringList{"text"}));
  ASSERT_EQ(Msg.MessageParts.Count(), 1);
  EXPECT_EQ(ReadFile(AttachmentAt(Msg, 0).StoredPath), bytes);
}

TEST_P(Reception, UnrecognizedUuencodingFails) {
  try {
    Receive(Crlf({"", "before", "begin 644 small.txt", "#86)C", "`", "end", "."}));
    FAIL() << "no failure";
  } catch (const EIdException& e) {
    EXPECT_EQ(e.Message(), "Unrecognized UUE encoding scheme.");
  }
  EXPECT_EQ(Msg.Body, (TStringList{"before"}));
  EXPECT_EQ(Msg.MessageParts.Count(), 0);
  EXPECT_EQ(FilesInTemp(), 0);
}

TEST_P(Reception, UnevenBase64LineFailsWithoutAddingThePart) {
  try {
    Receive(Crlf({"Content-Type: multipart/mixed; boundary=b", "", "--b", "", "kept", "--b",
                  "Content-Type: application/octet-stream; name=x",
                  "Content-Transfer-Encoding: base64", "", "QUJD", "QUJ", "--b--", "."}));
    FAIL() << "no failure";
  } catch (const EIdException& e) {
    EXPECT_EQ(e.Message(), "Uneven size in DecodeToStream.");
  }
  ASSERT_EQ(Msg.MessageParts.Count(), 1);
  EXPECT_EQ(TextAt(Msg, 0).Lines, (TStringList{"kept"}));
  EXPECT_EQ(FilesInTemp(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sources, Reception,
                         ::testing::Values(Source::Memory, Source::LoopbackWhole,
                                           Source::LoopbackBytewise),
                         [](const auto& info) {
                           return std::string(test::SourceName(info.param));
                         });

using ReceptionFiles = TempFolderTest;

TEST_F(ReceptionFiles, TemporaryFilesAreRemovedAtClear) {
  TIdMessage message;
  test::MemoryMessageClient client(Crlf({"", "begin 644 a.bin"}) +
                                   test::UuLines(test::BinaryPattern(50)) + Crlf({"end", "."}));
  test::ReceiveArticle(client, message);
  ASSERT_EQ(message.MessageParts.Count(), 1);
  const std::string stored = AttachmentAt(message, 0).StoredPath;
  EXPECT_EQ(stored.rfind(Dir.Path() + "/Qpt", 0), 0u) << stored;
  EXPECT_TRUE(std::filesystem::exists(stored));
  message.Clear();
  EXPECT_FALSE(std::filesystem::exists(stored));
  EXPECT_EQ(FilesInTemp(), 0);
}

TEST_F(ReceptionFiles, WorkBracketsCloseOnFailure) {
  TIdMessage message;
  test::MemoryMessageClient client(Crlf({"", "begin 644 x", "bad", "end", "."}));
  EXPECT_THROW(test::ReceiveArticle(client, message), EIdException);
  EXPECT_EQ(client.WorkBegins, 2);
  EXPECT_EQ(client.WorkEnds, 2);

  test::MemoryMessageClient cut(Crlf({"Subject: x", "", "line"}));
  EXPECT_THROW(test::ReceiveArticle(cut, message), EIdConnClosedGracefully);
  EXPECT_EQ(cut.WorkBegins, 2);
  EXPECT_EQ(cut.WorkEnds, 2);
  EXPECT_EQ(message.Body, (TStringList{"line"}));
}

TEST_F(ReceptionFiles, NoDecodeCapturesTheBodyRaw) {
  TIdMessage message;
  message.NoDecode = true;
  test::MemoryMessageClient client(Crlf({"begin 644 x", "..dot", "."}));
  message.Headers.Clear();
  client.ReadMessageBody(message, ".");
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
  const int depth = TIdMessageDecoderMIME::MaxBoundaryDepth;
  TIdMessage message;
  test::MemoryMessageClient client(NestedArticle(depth));
  test::ReceiveArticle(client, message);
  ASSERT_EQ(message.MessageParts.Count(), depth);
  EXPECT_EQ(TextAt(message, depth - 1).Lines, (TStringList{"leaf"}));
}

TEST_F(ReceptionFiles, NestingDepthFailReadsTheTooDeepPartWhole) {
  const int depth = TIdMessageDecoderMIME::MaxBoundaryDepth + 1;
  TIdMessage message;
  test::MemoryMessageClient client(NestedArticle(depth));
  test::ReceiveArticle(client, message);
  ASSERT_EQ(message.MessageParts.Count(), depth - 1);
  const std::string inner = "--B" + std::to_string(depth - 1);
  EXPECT_EQ(TextAt(message, depth - 2).Lines,
            (TStringList{inner, "Content-Type: text/plain", "", "leaf", inner + "--"}));
  EXPECT_LE(message.BoundaryStack.Count(), TIdMessageDecoderMIME::MaxBoundaryDepth);
}

TEST(DecoderRegistry, MimeThenUue) {
  EXPECT_EQ(TIdMessageDecoderList::Names(), (std::vector<std::string>{"MIME", "UUE"}));
  EXPECT_EQ(UnstuffLine(".."), ".");
  EXPECT_EQ(UnstuffLine(".x"), ".x");
}

}  // namespace
}  // namespace qp
