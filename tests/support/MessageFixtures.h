// Fixtures of the message and reception tests: a temporary folder that receives attachment
// files (through TMPDIR), and checked access to the parts of a received message.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

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
