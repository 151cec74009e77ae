#include "message/AttachmentName.h"

namespace qp::message {

std::string AttachmentLeafName(const std::string& fileName) {
  const std::size_t slash = fileName.find_last_of("/\\");
  std::string leaf = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  if (leaf == "." || leaf == "..") leaf.clear();
  return leaf;
}

}  // namespace qp::message
