#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/LineSource.h"
#include "message/MessageReader.h"
#include "nntp/MessageClient.h"
#include "support/Encoders.h"
#include "support/LoopbackServer.h"
#include "support/MessageFixtures.h"

namespace qp::nntp {
namespace {

using message::TAttachment;
using message::TMessage;
using test::AttachmentAt;
using test::Crlf;
using test::ReadWholeFile;
using test::TempFolderTest;
using test::TextAt;

// Where the reception gets its article from: lines in memory, or a loopback server that
// sends it whole or one byte at a time to a message client.
enum class Source { Memory, LoopbackWhole, LoopbackBytewise };

const char* SourceName(Source source) {
  switch (source) {
    case Source::Memory:
      return "Memory";
    case Source::LoopbackWhole:
      return "LoopbackWhole";
    default:
      return "LoopbackBytewise";
  }
}

// Reads article as the NNTP client does for ARTICLE: Clear, the header up to the empty line
// and, when the header was not ended by ".", the body up to ".". Exceptions pass out.
bool ReceiveFrom(Source source, const std::string& article, message::TMessage& message) {
  message.Clear();
  if (source == Source::Memory) {
    TStringLineSource lines(article);
    TComponent work;
    message::TMessageReader reader(lines, work);
    const bool hasBody = reader.ReadMessageHeader(message, "");
    if (hasBody) reader.ReadMessageBody(message, ".");
    return hasBody;
  }
  const bool bytewise = source == Source::LoopbackBytewise;
  test::LoopbackServer server([&](test::PeerSession& session) {
    if (bytewise) {
      for (const char c : article) session.Send(std::string_view(&c, 1));
    } else {
      session.Send(article);
    }
    session.WaitClosed();
  });
  TMessageClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.Connect();
  struct Disconnector {
    TMessageClient& Client;
    ~Disconnector() { Client.Disconnect(); }
  } disconnect{client};
  const bool hasBody = client.ReadMessageHeader(message, "");
  if (hasBody) client.ReadMessageBody(message, ".");
  return hasBody;
}

// Every case runs over the memory source and over loopback, whole and byte by byte.
class Reception : public TempFolderTest, public ::testing::WithParamInterface<Source> {
 protected:
  bool Receive(const std::string& article) { return ReceiveFrom(GetParam(), article, Msg); }
  message::TMessage Msg;
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
  message::TAttachment& image = AttachmentAt(Msg, 1);
  EXPECT_EQ(image.FileName, "a.jpg");
  EXPECT_EQ(ReadWholeFile(image.StoredPath), jpeg);
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
  // Each part knows its type and the multipart it was read inside.
  const std::pair<std::string, int> placed[] = {{"multipart/alternative; boundary=\"inner\"", -1},
                                                {"text/plain", 0},
                                                {"text/html", 0},
                                                {"text/plain", -1}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Msg.MessageParts[i].ContentType(), placed[i].first);
    EXPECT_EQ(Msg.MessageParts[i].Parent, placed[i].second);
  }
}

// The outer closing delimiter right after an inner one is no text, and the parts after it
// are found: a mixed article whose alternative part ends in a related multipart.
TEST_P(Reception, OuterCloseAfterAnInnerCloseEndsTheOuterMultipart) {
  ASSERT_TRUE(Receive(Crlf(test::NestedAlternativeArticle())));
  ASSERT_EQ(Msg.MessageParts.Count(), 6);
  EXPECT_EQ(TextAt(Msg, 3).Lines, (TStringList{"<p>html</p>"}));
  EXPECT_EQ(AttachmentAt(Msg, 4).FileName, "logo.png");
  EXPECT_EQ(AttachmentAt(Msg, 4).Parent, 2);
  EXPECT_EQ(AttachmentAt(Msg, 5).FileName, "a.pdf");
  EXPECT_EQ(ReadWholeFile(AttachmentAt(Msg, 5).StoredPath), "%PDF");
  EXPECT_EQ(AttachmentAt(Msg, 5).Parent, -1);
  EXPECT_EQ(Msg.Body, (TStringList{"epilogue"}));
  EXPECT_EQ(Msg.BoundaryStack.Count(), 0);
}

TEST_P(Reception, QuotedPrintableSinglePart) {
  ASSERT_TRUE(Receive(Crlf({"Content-Type: text/plain; charset=iso-8859-1",
                            "Content-Transfer-Encoding: quoted-printable", "", "caf=E9 au", "",
                            "soft=", "ly joined", "", "."})));
  EXPECT_EQ(Msg.Body.Count(), 0);
  ASSERT_EQ(Msg.MessageParts.Count(), 1);
  EXPECT_EQ(TextAt(Msg, 0).Lines, (TStringList{"caf\xE9 au", "", "softly joined", ""}));
  EXPECT_EQ(TextAt(Msg, 0).ContentType(), "text/plain; charset=iso-8859-1");
}

TEST_P(Reception, Base64SinglePartZip) {
  const std::string zip = test::BinaryPattern(1000);
  ASSERT_TRUE(Receive(
      Crlf({"Content-Type: application/zip; name=a.zip", "Content-Transfer-Encoding: base64", ""}) +
      test::Base64Lines(zip, 64) + Crlf({"."})));
  EXPECT_EQ(Msg.Body.Count(), 0);
  ASSERT_EQ(Msg.MessageParts.Count(), 1);
  EXPECT_EQ(AttachmentAt(Msg, 0).FileName, "a.zip");
  EXPECT_EQ(ReadWholeFile(AttachmentAt(Msg, 0).StoredPath), zip);
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
  EXPECT_EQ(ReadWholeFile(AttachmentAt(Msg, 0).StoredPath), first);
  EXPECT_EQ(AttachmentAt(Msg, 1).FileName, "x.bin");
  EXPECT_EQ(ReadWholeFile(AttachmentAt(Msg, 1).StoredPath), second);
  EXPECT_EQ(AttachmentAt(Msg, 2).FileName, "xx.dat");
  EXPECT_EQ(ReadWholeFile(AttachmentAt(Msg, 2).StoredPath), xx);
  EXPECT_EQ(AttachmentAt(Msg, 0).ContentType(), "") << "a uuencoded block has no type";
  EXPECT_EQ(AttachmentAt(Msg, 0).Parent, -1);
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
  // The line break before the delimiter belongs to the delimiter.
  EXPECT_EQ(ReadWholeFile(AttachmentAt(Msg, 0).StoredPath), "data");
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
  EXPECT_EQ(ReadWholeFile(AttachmentAt(Msg, 0).StoredPath), bytes);
}

// A damaged part costs only itself: it keeps what was decoded before the failure, the
// failure is noted with the part's name, and the rest of the article is read as usual.
TEST_P(Reception, ShortUuencodedFileIsKeptEmptyAndNoted) {
  ASSERT_TRUE(Receive(Crlf({"", "before", "begin 644 small.txt", "#86)C", "`", "end", "after",
                            "begin 644 ok.bin"}) +
                      test::UuLines(test::BinaryPattern(50)) + Crlf({"`", "end", "."})));
  EXPECT_EQ(Msg.Body, (TStringList{"before", "after"}));
  ASSERT_EQ(Msg.MessageParts.Count(), 2);
  EXPECT_EQ(AttachmentAt(Msg, 0).FileName, "small.txt");
  EXPECT_EQ(ReadWholeFile(AttachmentAt(Msg, 0).StoredPath), "");
  EXPECT_EQ(ReadWholeFile(AttachmentAt(Msg, 1).StoredPath), test::BinaryPattern(50));
  EXPECT_EQ(Msg.DecodeFailures,
            (TStringList{"Damaged part \"small.txt\": Unrecognized UUE encoding scheme."}));
}

TEST_P(Reception, DamagedBase64PartKeepsWhatWasDecodedAndTheOtherParts) {
  ASSERT_TRUE(Receive(Crlf({"Content-Type: multipart/mixed; boundary=b",
                            "",
                            "--b",
                            "",
                            "kept",
                            "--b",
                            "Content-Type: application/octet-stream; name=x",
                            "Content-Transfer-Encoding: base64",
                            "",
                            "QUJD",
                            "QUJ",
                            "QUJD",
                            "--b",
                            "Content-Type: text/plain; charset=us-ascii",
                            "Content-Transfer-Encoding: base64",
                            "",
                            "QUJD",
                            "QQ=",
                            "--b",
                            "",
                            "also kept",
                            "--b--",
                            "after",
                            "."})));
  EXPECT_EQ(Msg.Body, (TStringList{"after"}));
  ASSERT_EQ(Msg.MessageParts.Count(), 4);
  EXPECT_EQ(TextAt(Msg, 0).Lines, (TStringList{"kept"}));
  EXPECT_EQ(AttachmentAt(Msg, 1).FileName, "x");
  EXPECT_EQ(ReadWholeFile(AttachmentAt(Msg, 1).StoredPath), "ABC");
  EXPECT_EQ(TextAt(Msg, 2).Lines, (TStringList{"ABC"}));
  EXPECT_EQ(TextAt(Msg, 3).Lines, (TStringList{"also kept"}));
  EXPECT_EQ(Msg.DecodeFailures, (TStringList{"Damaged part \"x\": Uneven size in DecodeToStream.",
                                             "Damaged part 3: Uneven size in DecodeToStream."}));
  EXPECT_EQ(FilesInTemp(), 1);
}

TEST_P(Reception, DamagedWholeBodyIsKeptUpToTheFailure) {
  ASSERT_TRUE(Receive(
      Crlf({"Content-Type: application/zip; name=a.zip", "Content-Transfer-Encoding: base64", "",
            "QUJD", "QUJDR", "QUJD", "begin 644 not-a-block", "."})));
  EXPECT_EQ(Msg.Body.Count(), 0);
  ASSERT_EQ(Msg.MessageParts.Count(), 1);
  EXPECT_EQ(ReadWholeFile(AttachmentAt(Msg, 0).StoredPath), "ABC");
  EXPECT_EQ(Msg.DecodeFailures,
            (TStringList{"Damaged part \"a.zip\": Uneven size in DecodeToStream."}));
}

// RFC 2046 section 5.1.1: the line break before a delimiter line belongs to the delimiter, so
// an identity-encoded part ends with its last line's own line break and no other. The
// article's line ends on the wire (CR LF or bare LF) do not matter.
TEST_P(Reception, IdentityPartEndsWithItsOwnLineBreak) {
  const std::vector<std::string> lines = {
      "Content-Type: multipart/mixed; boundary=b",
      "",
      "--b",
      "Content-Type: text/plain",
      "",
      "shown text",
      "",
      "--b",
      "Content-Type: text/plain; name=notes.txt",
      "Content-Transfer-Encoding: 8bit",
      "",
      "first line of the notes",
      "second line",
      "the last line here",
      "",
      "--b",
      "Content-Type: application/octet-stream; name=nobreak.bin",
      "Content-Transfer-Encoding: 7bit",
      "",
      "no final break",
      "--b",
      "Content-Type: text/plain; name=cut.txt",
      "",
      "the article ends inside this part",
      "."};
  std::string lf;
  for (const std::string& line : lines) lf += line + "\n";
  struct Row {
    const char* name;
    std::string article;
  };
  const Row rows[] = {{"CR LF", Crlf(lines)}, {"LF", lf}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ASSERT_TRUE(Receive(r.article));
    ASSERT_EQ(Msg.MessageParts.Count(), 4);
    EXPECT_EQ(TextAt(Msg, 0).Lines, (TStringList{"shown text"})) << "no extra empty line shown";
    const std::string notes = ReadWholeFile(AttachmentAt(Msg, 1).StoredPath);
    EXPECT_EQ(notes, "first line of the notes\r\nsecond line\r\nthe last line here\r\n");
    EXPECT_EQ(notes.size(), 58u);
    EXPECT_EQ(ReadWholeFile(AttachmentAt(Msg, 2).StoredPath), "no final break");
    EXPECT_EQ(ReadWholeFile(AttachmentAt(Msg, 3).StoredPath),
              "the article ends inside this part\r\n");
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, Reception,
                         ::testing::Values(Source::Memory, Source::LoopbackWhole,
                                           Source::LoopbackBytewise),
                         [](const auto& info) { return std::string(SourceName(info.param)); });

}  // namespace
}  // namespace qp::nntp
