#include "ReceptionSupport.h"

namespace qp::test {

MemoryArticle::MemoryArticle(std::string data) : Source(std::move(data)) {
  FWork.OnWorkBegin = [this](TComponent&, TWorkMode, int) { ++WorkBegins; };
  FWork.OnWorkEnd = [this](TComponent&, TWorkMode) { ++WorkEnds; };
}

bool MemoryArticle::Receive(message::TMessage& message) {
  message.Clear();
  const bool hasBody = FReader.ReadMessageHeader(message, "");
  if (hasBody) FReader.ReadMessageBody(message, ".");
  return hasBody;
}

}  // namespace qp::test
