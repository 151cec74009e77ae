// Fixtures of the message and reception tests: a temporary folder that receives attachment
// files (through TMPDIR), and checked access to the parts of a received message.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "message/Message.h"
#include "support/TempDir.h"

namespace qp::test {

inline message::TText& TextAt(message::TMessage& message, int index) {
  auto* text = dynamic_cast<message::TText*>(&message.MessageParts[index]);
  if (text == nullptr) throw Exception("part is not a text part");
  return *text;
}

inline message::TAttachment& AttachmentAt(message::TMessage& message, int index) {
  auto* attachment = dynamic_cast<message::TAttachment*>(&message.MessageParts[index]);
  if (attachment == nullptr) throw Exception("part is not an attachment");
  return *attachment;
}

// The lines of an article (up to its "." line) of the shape mail and news programs send: a
// multipart/mixed whose first part is a multipart/alternative of a plain text and a
// multipart/related (HTML and an image "logo.png"), then an attachment "a.pdf", then the
// epilogue. Its parts in MessageParts: 0 the alternative's (empty) preamble, 1 the plain
// text, 2 the related's preamble, 3 the HTML, 4 logo.png, 5 a.pdf.
inline std::vector<std::string> NestedAlternativeArticle() {
  return {"Content-Type: multipart/mixed; boundary=M",
          "",
          "--M",
          "Content-Type: multipart/alternative; boundary=A",
          "",
          "--A",
          "Content-Type: text/plain",
          "",
          "plain",
          "--A",
          "Content-Type: multipart/related; boundary=R",
          "",
          "--R",
          "Content-Type: text/html",
          "",
          "<p>html</p>",
          "--R",
          "Content-Type: image/png; name=logo.png",
          "",
          "PNG",
          "--R--",
          "--A--",
          "--M",
          "Content-Type: application/pdf; name=a.pdf",
          "",
          "%PDF",
          "--M--",
          "epilogue",
          "."};
}

// Attachment temporary files go to a folder of the test's own, found through TMPDIR.
class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TMPDIR");
    if (old != nullptr) FOldTmp = old;
    setenv("TMPDIR", Dir.Path().c_str(), 1);
  }
  void TearDown() override {
    if (FOldTmp)
      setenv("TMPDIR", FOldTmp->c_str(), 1);
    else
      unsetenv("TMPDIR");
  }
  int FilesInTemp() const {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Dir.Path())) ++n;
    return n;
  }
  TempDir Dir;

 private:
  std::optional<std::string> FOldTmp;
};

}  // namespace qp::test
