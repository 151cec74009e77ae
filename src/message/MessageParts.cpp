#include "message/MessageParts.h"

#include <cstdio>

#include "base/FileSystem.h"
#include "message/Message.h"

namespace qp::message {

TMessagePart::TMessagePart() {
  throw ECanNotCreateMessagePart();
}

TAttachment::~TAttachment() {
  if (!FOwnedFile.empty()) std::remove(FOwnedFile.c_str());
}

void TAttachment::AdoptTempFile(const std::string& path) {
  if (!FOwnedFile.empty() && FOwnedFile != path) std::remove(FOwnedFile.c_str());
  StoredPath = path;
  FOwnedFile = path;
}

bool TText::SaveToFile(const std::string& path) const {
  bool written = false;
  try {
    written = !path.empty() && WriteFileNoOverwrite(path, Lines.Text());
  } catch (const Exception&) {
    written = false;
  }
  if (!written) throw ENetException("Error saving attachment.");
  return true;
}

bool TAttachment::SaveToFile(const std::string& path) const {
  bool copied = false;
  try {
    copied = !StoredPath.empty() && !path.empty() && CopyFileNoOverwrite(StoredPath, path);
  } catch (const Exception&) {
    copied = false;
  }
  if (!copied) throw ENetException("Error saving attachment.");
  return true;
}

}  // namespace qp::message
