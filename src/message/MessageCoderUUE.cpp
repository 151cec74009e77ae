#include "message/MessageCoderUUE.h"

#include "base/Exception.h"
#include "base/SysUtils.h"
#include "message/CoderUUE.h"
#include "message/CoderXXE.h"

namespace qp::message {

namespace {

// The line without its leading and trailing blanks and control characters, as a view so the
// per-line checks of a large block allocate nothing.
std::string_view TrimmedView(const std::string& line) {
  std::size_t first = 0, last = line.size();
  while (first < last && static_cast<unsigned char>(line[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(line[last - 1]) <= ' ') --last;
  return std::string_view(line).substr(first, last - first);
}

}  // namespace

std::unique_ptr<TMessageDecoder> TMessageDecoderUUE::ReadPartBody(TStream& dest, bool& messageEnd) {
  messageEnd = false;
  // A block cut off by the article's end: the "end" line will never come, so the block ends
  // with the article instead of waiting on the connection.
  auto nextLine = [&](std::string& line) {
    line = ReadLn();
    if (line == ".") {
      messageEnd = true;
      return false;
    }
    UnstuffLineInPlace(line);
    return true;
  };
  std::string line;
  if (!nextLine(line)) return nullptr;
  // The length character of a full 45-byte line: "M" in the uuencode alphabet, "h" in the
  // xxencode one. Shorter first lines (files under 45 bytes) are not recognised.
  std::unique_ptr<TDecoder> decoder;
  if (!line.empty() && line[0] == 'M')
    decoder = std::make_unique<TDecoderUUE>();
  else if (!line.empty() && line[0] == 'h')
    decoder = std::make_unique<TDecoderXXE>();
  else
    // The block's lines up to "end" are still read, so the text after it is not mistaken
    // for more of the article's body.
    Damage = "Unrecognized UUE encoding scheme.";
  while (true) {
    const std::string_view trimmed = TrimmedView(line);
    // "~" is the end marker some xxencoders write before "end".
    if (decoder && !trimmed.empty() && trimmed != "~") decoder->DecodeToStream(line, dest);
    if (!nextLine(line)) return nullptr;
    if (SameText(TrimmedView(line), "end")) return nullptr;
  }
}

std::unique_ptr<TMessageDecoder> TMessageDecoderInfoUUE::DetectStart(
    TMessage& message, const std::string& line) const {
  if (line.size() < 10 || !SameText(line.substr(0, 6), "begin ") || line[9] != ' ') return nullptr;
  const std::string mode = line.substr(6, 3);
  int64_t value = 0;
  // The mode is decimal; the general converter would also read "$12" and "0x1" as hex.
  if (mode.find_first_of("$xX") != std::string::npos || !TryStrToInt64(mode, value) || value <= 0)
    return nullptr;
  auto decoder = std::make_unique<TMessageDecoderUUE>(message);
  decoder->PartKind = partAttachment;
  decoder->FileName = line.substr(10);
  return decoder;
}

}  // namespace qp::message
