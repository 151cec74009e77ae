#include "message/CoderXXE.h"

namespace qp::message {

namespace {

const TDecodeTable& XXETable() {
  static const TDecodeTable table =
      BuildDecodeTable("+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return table;
}

}  // namespace

TDecoderXXE::TDecoderXXE() : TDecoderUUEBase(XXETable()) {}

}  // namespace qp::message
