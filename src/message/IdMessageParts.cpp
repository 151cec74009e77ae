#include "message/IdMessageParts.h"

#include <cstdio>

#include "message/IdMessage.h"
#include "nntp/IdGlobal.h"

namespace qp {

TIdMessagePart::TIdMessagePart() {
  throw EIdCanNotCreateMessagePart();
}

TIdAttachment::~TIdAttachment() {
  if (!FOwnedFile.empty()) std::remove(FOwnedFile.c_str());
}

void TIdAttachment::AdoptTempFile(const std::string& path) {
  if (!FOwnedFile.empty() && FOwnedFile != path) std::remove(FOwnedFile.c_str());
  StoredPath = path;
  FOwnedFile = path;
}

bool TIdAttachment::SaveToFile(const std::string& path) const {
  bool copied = false;
  try {
    copied = !StoredPath.empty() && !path.empty() && CopyFileNoOverwrite(StoredPath, path);
  } catch (const Exception&) {
    copied = false;
  }
  if (!copied) throw EIdException("Error saving attachment.");
  return true;
}

}  // namespace qp
