#include "nntp/IdIOHandler.h"

namespace qp {

// Derived classes close their own resources in their destructors; this only covers a
// layer whose CloseHandler is the base one.
TIdIOHandler::~TIdIOHandler() = default;

}  // namespace qp
