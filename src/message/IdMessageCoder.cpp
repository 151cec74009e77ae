#include "message/IdMessageCoder.h"

#include "message/IdMessageCoderMIME.h"
#include "message/IdMessageCoderUUE.h"
#include "nntp/IdException.h"
#include "nntp/IdGlobal.h"
#include "nntp/IdTCPConnection.h"

namespace qp {

std::string UnstuffLine(const std::string& line) {
  std::string result = line;
  UnstuffLineInPlace(result);
  return result;
}

void UnstuffLineInPlace(std::string& line) {
  if (line.size() >= 2 && line[0] == '.' && line[1] == '.') line.erase(0, 1);
}

std::string MakeTempFileName() {
  return MakeTempFile("Qpt");
}

std::string TIdMessageDecoder::ReadLn() {
  if (FSource == nullptr) throw EIdException("The part decoder has no line source.");
  return FSource->ReadLn();
}

std::vector<TIdMessageDecoderList::TEntry>& TIdMessageDecoderList::Entries() {
  static std::vector<TEntry> entries = [] {
    std::vector<TEntry> list;
    list.push_back({"MIME", std::make_unique<TIdMessageDecoderInfoMIME>()});
    list.push_back({"UUE", std::make_unique<TIdMessageDecoderInfoUUE>()});
    return list;
  }();
  return entries;
}

void TIdMessageDecoderList::RegisterDecoder(const std::string& name,
                                            std::unique_ptr<TIdMessageDecoderInfo> info) {
  Entries().push_back({name, std::move(info)});
}

std::unique_ptr<TIdMessageDecoder> TIdMessageDecoderList::FindDecoder(TIdMessage& message,
                                                                      const std::string& line) {
  for (const TEntry& entry : Entries()) {
    if (auto decoder = entry.Info->DetectStart(message, line)) return decoder;
  }
  return nullptr;
}

std::vector<std::string> TIdMessageDecoderList::Names() {
  std::vector<std::string> names;
  for (const TEntry& entry : Entries()) names.push_back(entry.Name);
  return names;
}

}  // namespace qp
