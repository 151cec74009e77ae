#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ArticleView.h"
#include "base/Component.h"
#include "base/LineSource.h"
#include "message/MessageParts.h"
#include "message/MessageReader.h"
#include "support/Encoders.h"
#include "support/MessageFixtures.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace qp::app {
namespace {

using test::Crlf;

// Articles received from memory, their attachment files in a folder of the test's own.
class ArticleViewTest : public ::testing::Test {
 protected:
  void Receive(const std::string& article) {
    Message.Clear();
    TStringLineSource lines(article);
    TComponent work;
    message::TMessageReader reader(lines, work);
    if (reader.ReadMessageHeader(Message, "")) reader.ReadMessageBody(Message, ".");
  }
  std::vector<std::string> Captions(const TArticleView& view) const {
    std::vector<std::string> captions;
    for (const TArticleAttachment& row : view.Attachments) captions.push_back(row.Caption);
    return captions;
  }

  test::TempDir Dir;
  test::ScopedEnv Tmp{"TMPDIR", Dir.Path().c_str()};
  message::TMessage Message;
};

TEST_F(ArticleViewTest, AlternativesShowThePlainTextAndListTheOthers) {
  struct Row {
    const char* name;
    std::vector<std::string> article;
    std::vector<std::string> lines;  // after the header lines and the empty line
    std::vector<std::string> rows;
  };
  const Row rows[] = {
      {"plain and HTML",
       {"Content-Type: multipart/alternative; boundary=A", "", "preamble", "--A",
        "Content-Type: text/plain; charset=utf-8", "", "plain", "--A", "Content-Type: text/html",
        "", "<p>html</p>", "--A--", "."},
       {"preamble", "plain"},
       {"part-2.html"}},
      {"the last plain alternative wins",
       {"Content-Type: multipart/alternative; boundary=A", "", "--A", "", "first", "--A",
        "Content-Type: text/plain; format=flowed", "", "second", "--A--", "."},
       {"second"},
       {"part-1.txt"}},
      {"nested in mixed, with related HTML and an attachment",
       test::NestedAlternativeArticle(),
       {"epilogue", "plain"},
       {"part-4.html", "logo.png", "a.pdf"}},
      {"no plain alternative: all shown",
       {"Content-Type: multipart/alternative; boundary=A", "", "--A", "Content-Type: text/enriched",
        "", "<bold>x</bold>", "--A", "Content-Type: text/html", "", "<b>x</b>", "--A--", "."},
       {"<bold>x</bold>", "<b>x</b>"},
       {}},
      {"mixed is no alternative",
       {"Content-Type: multipart/mixed; boundary=M", "", "--M", "Content-Type: text/plain", "",
        "one", "--M", "Content-Type: text/html", "", "<p>two</p>", "--M--", "."},
       {"one", "<p>two</p>"},
       {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Receive(Crlf(r.article));
    const TArticleView view = ComposeArticleView(Message, false);
    std::vector<std::string> lines = view.Lines.Lines();
    lines.erase(lines.begin(), lines.begin() + Message.Headers.Count() + 1);
    EXPECT_EQ(lines, r.lines);
    EXPECT_EQ(Captions(view), r.rows);
  }
}

TEST_F(ArticleViewTest, AnAlternativeIsSavedAsItsLines) {
  Receive(Crlf({"Content-Type: multipart/alternative; boundary=A", "", "--A", "", "plain", "--A",
                "Content-Type: text/html; charset=iso-8859-1", "", "<p>caf\xe9</p>", "</html>",
                "--A--", "."}));
  const TArticleView view = ComposeArticleView(Message, false);
  ASSERT_EQ(view.Attachments.size(), 1u);
  EXPECT_EQ(view.Attachments[0].Key, "part-2.html");
  SaveArticleAttachment(Message, view.Attachments[0], Dir.File("p.html"));
  EXPECT_EQ(test::ReadWholeFile(Dir.File("p.html")), "<p>caf\xe9</p>\r\n</html>\r\n")
      << "the bytes as received";
  EXPECT_THROW(SaveArticleAttachment(Message, view.Attachments[0], Dir.File("p.html")),
               ENetException)
      << "never overwrites";
  EXPECT_THROW(SaveArticleAttachment(Message, TArticleAttachment{"x", "x", 7}, Dir.File("q")),
               ENetException)
      << "a part that is gone";
}

TEST_F(ArticleViewTest, HeaderLinesDecodedOrAsSent) {
  Receive(Crlf({"Subject: =?ISO-8859-1?Q?Caf=E9?=", " =?UTF-8?Q?cr=C3=A8me?=",
                "From: Gr\xfc\xdf"
                "e <g@x>",
                "", "body", "."}));
  EXPECT_EQ(ComposeArticleView(Message, false).Lines, (TStringList{"Subject: Caf\xc3\xa9"
                                                                   "cr\xc3\xa8me",
                                                                   "From: Gr\xc3\xbc\xc3\x9f"
                                                                   "e <g@x>",
                                                                   "", "body"}));
  EXPECT_EQ(ComposeArticleView(Message, true).Lines,
            (TStringList{"Subject: =?ISO-8859-1?Q?Caf=E9?=", " =?UTF-8?Q?cr=C3=A8me?=",
                         "From: Gr\xc3\xbc\xc3\x9f"
                         "e <g@x>",
                         "", "body"}));
}

TEST_F(ArticleViewTest, AttachmentRowsShowDecodedNamesAndKeepTheBytes) {
  Receive(Crlf({"Content-Type: multipart/mixed; boundary=M", "", "--M",
                "Content-Type: application/pdf; name=\"r\xe9sum\xe9.pdf\"", "", "%PDF", "--M",
                "Content-Type: application/pdf; name=\"=?UTF-8?Q?na=C3=AFve.pdf?=\"", "", "%PDF",
                "--M--", "."}));
  const TArticleView view = ComposeArticleView(Message, false);
  ASSERT_EQ(view.Attachments.size(), 2u);
  EXPECT_EQ(view.Attachments[0].Caption, "r\xc3\xa9sum\xc3\xa9.pdf");
  EXPECT_EQ(view.Attachments[0].Key, "r\xe9sum\xe9.pdf");
  EXPECT_EQ(view.Attachments[1].Caption, "na\xc3\xafve.pdf");
  EXPECT_EQ(view.Attachments[1].Key, "=?UTF-8?Q?na=C3=AFve.pdf?=");
}

}  // namespace
}  // namespace qp::app
