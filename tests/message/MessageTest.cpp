#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/InternetText.h"
#include "message/Message.h"
#include "support/TempDir.h"

namespace qp::message {
namespace {

void SetHeaders(TMessage& message, std::initializer_list<std::string> lines) {
  for (const std::string& line : lines) message.Headers.Add(line);
}

TEST(Message, PriorityFromHeaders) {
  struct Row {
    const char* name;
    std::initializer_list<std::string> headers;
    TMessagePriority priority;
  };
  const Row rows[] = {
      {"urgent wins over X-Priority", {"Priority: urgent", "X-Priority: 5"}, mpHigh},
      {"X-Priority with comment", {"X-Priority: 5 (Lowest)"}, mpLowest},
      {"highest", {"X-Priority: 1 (Highest)"}, mpHighest},
      {"no priority header", {"Subject: x"}, mpNormal},
      {"non-priority", {"Priority: non-priority"}, mpLow},
      {"empty Priority falls back", {"Priority:", "X-Priority: 4"}, mpLow},
      {"not a number", {"X-Priority: high"}, mpNormal},
      {"zero is out of range", {"X-Priority: 0"}, mpNormal},
      {"six is out of range", {"X-Priority: 6"}, mpNormal},
      {"negative is out of range", {"X-Priority: -3"}, mpNormal},
      {"dollar hexadecimal is not a number", {"X-Priority: $4"}, mpNormal},
      {"0x hexadecimal is not a number", {"X-Priority: 0x1 (Highest)"}, mpNormal},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TMessage message;
    SetHeaders(message, r.headers);
    message.ApplyHeaders();
    EXPECT_EQ(message.Priority, r.priority);
  }
}

TEST(Message, ApplyHeadersFillsFields) {
  TMessage message;
  SetHeaders(message,
             {"Subject: a", "\tb", "From: Jo Doe <jo@example.com>", "Newsgroups: a.b, c.d,,e",
              "Message-ID: <1@x>", "Organization: Org", "References: <0@x>",
              "Content-Type: multipart/mixed; boundary=\"abc\"", "Content-Transfer-Encoding: 7bit",
              "Return-Receipt-To: r@example.com", "Date: Sun, 05 Jan 2003 14:03:07 +0000"});
  message.ApplyHeaders();
  EXPECT_EQ(message.Subject, "a b");
  EXPECT_EQ(message.From.Address, "jo@example.com");
  EXPECT_EQ(message.NewsGroups, (TStringList{"a.b", "c.d", "e"}));
  EXPECT_EQ(message.MessageId, "<1@x>");
  EXPECT_EQ(message.Organization, "Org");
  EXPECT_EQ(message.References, "<0@x>");
  EXPECT_EQ(message.ContentTransferEncoding, "7bit");
  EXPECT_EQ(message.ReceiptRecipient.Address, "r@example.com");
  EXPECT_NE(message.Date, 0);
  EXPECT_FALSE(message.UseNowForDate());
  EXPECT_EQ(message.BoundaryStack.CurrentBoundary(), "ABC");
  EXPECT_EQ(message.BoundaryStack.Count(), 1);
}

// A malformed encoded word or an address the parser rejects leaves that field as sent and
// does not stop the fields after it.
TEST(Message, ApplyHeadersKeepsUndecodableFieldsAsSent) {
  TMessage message;
  SetHeaders(message,
             {"Subject: =?ISO-8859-1?Q?=ZZ?= tail", "From: <a@b.c>@d", "To: x@y.z, <p@q.r>@s",
              "Cc: =?ISO-8859-1?Q?caf=E9?= <c@d.e>", "Sender: <s@t.u>@v",
              "Organization: still read", "Date: Sun, 05 Jan 2003 14:03:07 +0000"});
  EXPECT_NO_THROW(message.ApplyHeaders());
  EXPECT_EQ(message.Subject, "=?ISO-8859-1?Q?=ZZ?= tail");
  EXPECT_EQ(message.From.Name, "<a@b.c>@d");
  EXPECT_EQ(message.From.Address, "");
  ASSERT_EQ(message.Recipients.Count(), 1);
  EXPECT_EQ(message.Recipients[0].Name, "x@y.z, <p@q.r>@s");
  ASSERT_EQ(message.CCList.Count(), 1);
  EXPECT_EQ(message.CCList[0].Name, "caf\xe9");
  EXPECT_EQ(message.CCList[0].Address, "c@d.e");
  EXPECT_EQ(message.Sender.Name, "<s@t.u>@v");
  EXPECT_EQ(message.Organization, "still read");
  EXPECT_FALSE(message.UseNowForDate());
  EXPECT_EQ(message.DecodeFailures,
            (TStringList{"Field Subject kept as sent: '$ZZ' is not a valid integer value",
                         "Field From kept as sent: @ Outside address",
                         "Field To kept as sent: @ Outside address",
                         "Field Sender kept as sent: @ Outside address"}));
  message.Clear();
  EXPECT_EQ(message.DecodeFailures.Count(), 0);
}

TEST(Message, ClearResetsEverythingButMessageId) {
  TMessage message;
  SetHeaders(message, {"Subject: s", "From: a@b.c", "To: d@e.f", "Cc: g@h.i", "Message-ID: <1@x>",
                       "Newsgroups: a.b", "Priority: urgent", "Organization: o",
                       "Content-Type: multipart/mixed; boundary=b", "Sender: s@t.u",
                       "Date: Sun, 05 Jan 2003 14:03:07 +0000"});
  message.ApplyHeaders();
  message.Body.Add("line");
  message.MessageParts.Add(std::make_unique<TText>());
  // What a uuencoded article leaves behind must not carry over to the next one.
  message.SetEncoding(meUU);
  message.CharSet = "iso-8859-1";
  message.ExtraHeaders.Add("X-A: b");
  message.BccList.ParseAddresses("x@y.z");
  message.Clear();
  EXPECT_EQ(message.Encoding(), meMIME);
  EXPECT_EQ(message.AttachmentEncoding(), "MIME");
  EXPECT_EQ(message.CharSet, "");
  EXPECT_EQ(message.ExtraHeaders.Count(), 0);
  EXPECT_EQ(message.BccList.Count(), 0);
  EXPECT_EQ(message.MessageId, "<1@x>");
  EXPECT_EQ(message.Headers.Count(), 0);
  EXPECT_EQ(message.Subject, "");
  EXPECT_EQ(message.From.Text(), "");
  EXPECT_EQ(message.Sender.Text(), "");
  EXPECT_EQ(message.Recipients.Count(), 0);
  EXPECT_EQ(message.CCList.Count(), 0);
  EXPECT_EQ(message.NewsGroups.Count(), 0);
  EXPECT_EQ(message.Organization, "");
  EXPECT_EQ(message.ContentType, "");
  EXPECT_EQ(message.BoundaryStack.Count(), 0);
  EXPECT_EQ(message.Priority, mpNormal);
  EXPECT_TRUE(message.UseNowForDate());
  EXPECT_EQ(message.Body.Count(), 0);
  EXPECT_EQ(message.MessageParts.Count(), 0);

  message.SetAttachmentEncoding("UUE");
  message.Clear();
  EXPECT_EQ(message.AttachmentEncoding(), "MIME");
}

TEST(Message, NewsgroupsKeepCommaAfterOneQuote) {
  struct Row {
    const char* name;
    std::string value;
    TStringList groups;
  };
  const Row rows[] = {
      {"quoted comma", "\"a,b\", c", {"\"a,b\"", "c"}},
      {"second quote ends protection", "\"a\"\"b,c", {"\"a\"\"b", "c"}},
      {"empty entries dropped", "a.b, c.d,,e", {"a.b", "c.d", "e"}},
      {"absent", "", {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TMessage message;
    message.NewsGroups.Add("stale");
    if (!r.value.empty()) message.Headers.Add("Newsgroups: " + r.value);
    message.ApplyHeaders();
    EXPECT_EQ(message.NewsGroups, r.groups);
  }
}

TEST(Message, BoundaryFromContentType) {
  struct Row {
    const char* name;
    std::string value, boundary;
  };
  const Row rows[] = {
      {"quoted", "multipart/mixed; boundary=\"abc\"", "ABC"},
      {"unquoted keeps later parameters", "multipart/mixed; boundary=xy; charset=a",
       "XY; CHARSET=A"},
      {"no boundary", "text/plain; charset=us-ascii", ""},
      {"unclosed quote", "multipart/mixed; BOUNDARY=\"open", "OPEN"},
      {"empty", "", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(TMIMEBoundary::BoundaryFromContentType(r.value), r.boundary);
  }
}

TEST(Message, BoundaryStackPushesOnce) {
  TMIMEBoundary stack;
  stack.PushBoundary("");
  EXPECT_EQ(stack.Count(), 0);
  stack.PushBoundary("ABC");
  stack.PushBoundary("abc");
  EXPECT_EQ(stack.Count(), 1);
  stack.PushBoundary("INNER");
  EXPECT_EQ(stack.CurrentBoundary(), "INNER");
  stack.PopBoundary();
  EXPECT_EQ(stack.CurrentBoundary(), "ABC");
  stack.PopBoundary();
  stack.PopBoundary();
  EXPECT_EQ(stack.CurrentBoundary(), "");

  TMessage message;
  SetHeaders(message, {"Content-Type: text/plain"});
  message.ApplyHeaders();
  EXPECT_EQ(message.BoundaryStack.Count(), 0);
}

TEST(MessageParts, BasePartCannotBeCreated) {
  try {
    TMessagePart part;
    FAIL() << "created";
  } catch (const EMessageException& e) {
    EXPECT_EQ(e.Message(), "TMessagePart can not be created.  Use descendant classes. ");
  }
}

TEST(MessageParts, PartHeadersHoldContentFields) {
  TText text;
  text.SetContentType("text/plain");
  text.SetContentTransfer("8bit");
  EXPECT_EQ(text.PartHeaders,
            (TStringList{"Content-Type: text/plain", "Content-Transfer-Encoding: 8bit"}));
  EXPECT_EQ(text.ContentType(), "text/plain");
  text.SetContentType("");
  EXPECT_EQ(text.PartHeaders.Count(), 1);
}

class AttachmentFiles : public ::testing::Test {
 protected:
  std::string MakeStored(const std::string& content) {
    const std::string path = Dir.File("stored");
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  test::TempDir Dir;
};

TEST_F(AttachmentFiles, SaveToFileNeverOverwrites) {
  TAttachment attachment;
  attachment.StoredPath = MakeStored("payload");
  const std::string target = Dir.File("saved.bin");
  EXPECT_TRUE(attachment.SaveToFile(target));
  EXPECT_EQ(ReadFile(target), "payload");
  try {
    attachment.SaveToFile(target);
    FAIL() << "second save succeeded";
  } catch (const ENetException& e) {
    EXPECT_EQ(e.Message(), "Error saving attachment.");
  }
  EXPECT_EQ(ReadFile(target), "payload");
}

TEST_F(AttachmentFiles, SaveToFileFailures) {
  TAttachment gone;
  gone.StoredPath = Dir.File("missing");
  EXPECT_THROW(gone.SaveToFile(Dir.File("a")), ENetException);
  EXPECT_FALSE(std::filesystem::exists(Dir.File("a")));

  TAttachment noFolder;
  noFolder.StoredPath = MakeStored("x");
  EXPECT_THROW(noFolder.SaveToFile(Dir.File("no/such/folder")), ENetException);
}

TEST_F(AttachmentFiles, AdoptedFileIsDeletedWithTheAttachmentButCopiesStay) {
  const std::string stored = MakeStored("payload");
  const std::string saved = Dir.File("kept.bin");
  {
    TMessage message;
    auto& attachment = message.MessageParts.Add(std::make_unique<TAttachment>());
    attachment.AdoptTempFile(stored);
    attachment.SaveToFile(saved);
    message.Clear();
    EXPECT_FALSE(std::filesystem::exists(stored));
  }
  EXPECT_TRUE(std::filesystem::exists(saved));

  const std::string notOwned = MakeStored("user file");
  {
    TAttachment attachment;
    attachment.StoredPath = notOwned;
  }
  EXPECT_TRUE(std::filesystem::exists(notOwned));
}

}  // namespace
}  // namespace qp::message
