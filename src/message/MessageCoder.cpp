#include "message/MessageCoder.h"

#include "base/Exception.h"
#include "base/FileSystem.h"
#include "base/SysUtils.h"
#include "message/MessageCoderMIME.h"
#include "message/MessageCoderUUE.h"

namespace qp::message {

std::string UnstuffLine(const std::string& line) {
  std::string result = line;
  UnstuffLineInPlace(result);
  return result;
}

void UnstuffLineInPlace(std::string& line) {
  if (line.size() >= 2 && line[0] == '.' && line[1] == '.') line.erase(0, 1);
}

void THeaderBlockLimit::Count(const std::string& line) {
  ++FLines;
  FBytes += line.size();
  if (FLines > MaxHeaderLines)
    throw ELimitExceeded(Format("%s exceeds the limit of %d lines.", FWhat, MaxHeaderLines));
  if (FBytes > MaxHeaderBytes)
    throw ELimitExceeded(Format("%s exceeds the limit of %zu bytes.", FWhat, MaxHeaderBytes));
}

std::string MakeTempFileName() {
  return MakeTempFile("Qpt");
}

std::string TMessageDecoder::ReadLn() {
  if (FSource == nullptr) throw ENetException("The part decoder has no line source.");
  return FSource->ReadLn();
}

std::vector<TMessageDecoderList::TEntry>& TMessageDecoderList::Entries() {
  static std::vector<TEntry> entries = [] {
    std::vector<TEntry> list;
    list.push_back({"MIME", std::make_unique<TMessageDecoderInfoMIME>()});
    list.push_back({"UUE", std::make_unique<TMessageDecoderInfoUUE>()});
    return list;
  }();
  return entries;
}

void TMessageDecoderList::RegisterDecoder(const std::string& name,
                                          std::unique_ptr<TMessageDecoderInfo> info) {
  Entries().push_back({name, std::move(info)});
}

std::unique_ptr<TMessageDecoder> TMessageDecoderList::FindDecoder(TMessage& message,
                                                                  const std::string& line) {
  for (const TEntry& entry : Entries()) {
    if (auto decoder = entry.Info->DetectStart(message, line)) return decoder;
  }
  return nullptr;
}

std::vector<std::string> TMessageDecoderList::Names() {
  std::vector<std::string> names;
  for (const TEntry& entry : Entries()) names.push_back(entry.Name);
  return names;
}

}  // namespace qp::message
