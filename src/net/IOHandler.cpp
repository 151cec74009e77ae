#include "net/IOHandler.h"

namespace qp::net {

// Derived classes close their own resources in their destructors; this only covers a
// layer whose CloseHandler is the base one.
TIOHandler::~TIOHandler() = default;

}  // namespace qp::net
