#include "message/MessageReader.h"

#include <cstdio>
#include <functional>
#include <vector>

#include "base/Exception.h"
#include "base/Streams.h"
#include "base/SysUtils.h"
#include "message/MessageCoderMIME.h"

namespace qp::message {

namespace {

// Opens a read work bracket and closes it on every path out of the reception.
class TReadWorkGuard {
 public:
  explicit TReadWorkGuard(TComponent& component) : FComponent(component) {
    FComponent.StartWork(WorkRead, 0);
  }
  ~TReadWorkGuard() { FComponent.FinishWork(WorkRead); }
  TReadWorkGuard(const TReadWorkGuard&) = delete;
  TReadWorkGuard& operator=(const TReadWorkGuard&) = delete;

 private:
  TComponent& FComponent;
};

// Gathers the per-line writes of a decoder into large writes to the attachment's file, so
// a big attachment costs few system calls; at most Capacity bytes are held at any time.
class TBufferedWriteStream : public TStream {
 public:
  explicit TBufferedWriteStream(TStream& target) : FTarget(target) { FBuffer.reserve(Capacity); }
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override {
    if (count <= 0) return 0;
    if (FBuffer.size() + static_cast<std::size_t>(count) > Capacity) Flush();
    if (static_cast<std::size_t>(count) >= Capacity) {
      FTarget.WriteBuffer(buffer, count);
    } else {
      const char* bytes = static_cast<const char*>(buffer);
      FBuffer.insert(FBuffer.end(), bytes, bytes + count);
    }
    FWritten += count;
    return count;
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    return offset == 0 && origin != TSeekOrigin::soBeginning ? FWritten : -1;
  }
  int64_t Size() override { return FWritten; }
  void SetSize(int64_t) override {}
  void Flush() {
    if (!FBuffer.empty()) FTarget.WriteBuffer(FBuffer.data(), static_cast<int64_t>(FBuffer.size()));
    FBuffer.clear();
  }

 private:
  static constexpr std::size_t Capacity = 64 * 1024;
  TStream& FTarget;
  std::vector<char> FBuffer;
  int64_t FWritten = 0;
};

// The content of a text part on its way into memory: every write is counted against the
// article's text limit before it is kept.
class TTextPartStream : public TStream {
 public:
  TTextPartStream(TMemoryStream& target, std::function<void(std::size_t)> hold)
      : FTarget(target), FHold(std::move(hold)) {}
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override {
    if (count <= 0) return 0;
    FHold(static_cast<std::size_t>(count));
    return FTarget.Write(buffer, count);
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override { return FTarget.Seek(offset, origin); }
  int64_t Size() override { return FTarget.Size(); }
  void SetSize(int64_t) override {}

 private:
  TMemoryStream& FTarget;
  std::function<void(std::size_t)> FHold;
};

// Deletes a temporary file unless an attachment has taken it over.
class TTempFileGuard {
 public:
  explicit TTempFileGuard(std::string path) : FPath(std::move(path)) {}
  ~TTempFileGuard() {
    if (!FPath.empty()) std::remove(FPath.c_str());
  }
  TTempFileGuard(const TTempFileGuard&) = delete;
  TTempFileGuard& operator=(const TTempFileGuard&) = delete;
  void Release() { FPath.clear(); }

 private:
  std::string FPath;
};

}  // namespace

void TMessageReader::HoldText(std::size_t bytes) {
  FTextBytes += bytes;
  if (FTextBytes > MaxTextBytes)
    throw ELimitExceeded(
        Format("Article text exceeds the limit of %zu bytes held in memory.", MaxTextBytes));
}

void TMessageReader::NoteDamage(TMessage& message, const TMessageDecoder& decoder) {
  if (decoder.Damage.empty()) return;
  const std::string name = !decoder.FileName.empty() ? "\"" + decoder.FileName + "\""
                                                     : std::to_string(message.MessageParts.Count());
  message.DecodeFailures.Add("Damaged part " + name + ": " + decoder.Damage);
}

template <class TPart>
void TMessageReader::AddPart(TMessage& message, std::unique_ptr<TPart> part,
                             const TMessageDecoder& decoder) {
  const int index = message.MessageParts.Count();
  if (!decoder.ContentType.empty()) part->SetContentType(decoder.ContentType);
  if (!decoder.EnclosingBoundary.empty()) {
    // The latest owner wins: a boundary used again by a later multipart belongs to it.
    for (const auto& [boundary, owner] : FBoundaryOwners)
      if (SameText(boundary, decoder.EnclosingBoundary)) part->Parent = owner;
  }
  if (!decoder.OpenedBoundary.empty()) FBoundaryOwners.emplace_back(decoder.OpenedBoundary, index);
  message.MessageParts.Add(std::move(part));
}

bool TMessageReader::ReadMessageHeader(TMessage& message, const std::string& terminator) {
  TReadWorkGuard work(FWork);
  THeaderBlockLimit limit("Article header");
  bool hasBody = true;
  while (true) {
    const std::string line = FSource.ReadLn();
    if (line == terminator) break;
    if (line == ".") {
      hasBody = false;
      break;
    }
    limit.Count(line);
    message.Headers.Add(UnstuffLine(line));
  }
  message.ApplyHeaders();
  return hasBody;
}

void TMessageReader::ReadMessageBody(TMessage& message, const std::string& terminator) {
  // The header read before (possibly by another reader object) is held text too.
  FTextBytes = 0;
  FBoundaryOwners.clear();
  for (const std::string& line : message.Headers) FTextBytes += line.size() + 2;
  HoldText(0);
  if (message.NoDecode) {
    FSource.Capture(
        [&](std::string& line) {
          HoldText(line.size() + 2);
          message.Body.Add(std::move(line));
        },
        terminator, true);
    return;
  }
  TReadWorkGuard work(FWork);
  bool messageEnd = false;
  while (!messageEnd) {
    std::string line = FSource.ReadLn();
    if (line == terminator) break;
    UnstuffLineInPlace(line);
    // A delimiter is no text: the outer multipart ends here, and later delimiter lines are
    // those of the multipart around it.
    if (CloseCurrentMultipart(message, line)) continue;
    std::unique_ptr<TMessageDecoder> decoder = TMessageDecoderList::FindDecoder(message, line);
    if (!decoder) {
      HoldText(line.size() + 2);
      message.Body.Add(std::move(line));
      continue;
    }
    while (decoder) {
      decoder->SetSource(FSource);
      decoder->ReadPartHeader();
      if (decoder->MessageEnded()) {
        messageEnd = true;
        break;
      }
      if (message.MessageParts.Count() >= MaxParts)
        throw ELimitExceeded(Format("Article exceeds the limit of %d parts.", MaxParts));
      switch (decoder->PartKind) {
        case partText:
          decoder = StoreTextPart(std::move(decoder), message, messageEnd);
          break;
        case partAttachment:
          decoder = StoreAttachmentPart(std::move(decoder), message, messageEnd);
          break;
        default:
          throw ENetException("Unknown Message Part Type.");
      }
    }
  }
}

std::unique_ptr<TMessageDecoder> TMessageReader::StoreTextPart(
    std::unique_ptr<TMessageDecoder> decoder, TMessage& message, bool& messageEnd) {
  TMemoryStream content;
  TTextPartStream counted(content, [this](std::size_t bytes) { HoldText(bytes); });
  std::unique_ptr<TMessageDecoder> next = decoder->ReadPartBody(counted, messageEnd);
  auto text = std::make_unique<TText>();
  text->Lines.SetText(content.DataString());
  AddPart(message, std::move(text), *decoder);
  NoteDamage(message, *decoder);
  return next;
}

std::unique_ptr<TMessageDecoder> TMessageReader::StoreAttachmentPart(
    std::unique_ptr<TMessageDecoder> decoder, TMessage& message, bool& messageEnd) {
  const std::string path = MakeTempFileName();
  // A part that fails half-way is not added; its file would be reachable by nobody.
  TTempFileGuard fileGuard(path);
  std::unique_ptr<TMessageDecoder> next;
  {
    TFileStream file(path, TFileMode::fmCreate);
    TBufferedWriteStream buffered(file);
    next = decoder->ReadPartBody(buffered, messageEnd);
    buffered.Flush();
  }
  auto attachment = std::make_unique<TAttachment>();
  attachment->FileName = decoder->FileName;
  attachment->AdoptTempFile(path);
  fileGuard.Release();
  AddPart(message, std::move(attachment), *decoder);
  NoteDamage(message, *decoder);
  return next;
}

}  // namespace qp::message
