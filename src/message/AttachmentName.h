// Where an attachment may be written. An attachment's file name comes from the article, so
// it may carry folder parts, ".." or an absolute path; only its last name component may be
// used to place it in a folder of ours.
#pragma once

#include <string>

namespace qp::message {

// The last component of fileName after any "/" or "\"; "" when that component is empty,
// "." or "..", so joining the result to a folder never leaves the folder.
std::string AttachmentLeafName(const std::string& fileName);

}  // namespace qp::message
