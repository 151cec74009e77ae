#include "message/IdCoderXXE.h"

namespace qp {

namespace {

const TIdDecodeTable& XXETable() {
  static const TIdDecodeTable table =
      BuildDecodeTable("+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return table;
}

}  // namespace

TIdDecoderXXE::TIdDecoderXXE() : TIdDecoderUUEBase(XXETable()) {}

}  // namespace qp
