#include "message/MessageReader.h"

#include <cstdio>
#include <vector>

#include "base/Exception.h"
#include "base/Streams.h"

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

bool TMessageReader::ReadMessageHeader(TMessage& message, const std::string& terminator) {
  TReadWorkGuard work(FWork);
  bool hasBody = true;
  while (true) {
    const std::string line = FSource.ReadLn();
    if (line == terminator) break;
    if (line == ".") {
      hasBody = false;
      break;
    }
    message.Headers.Add(UnstuffLine(line));
  }
  message.ApplyHeaders();
  return hasBody;
}

void TMessageReader::ReadMessageBody(TMessage& message, const std::string& terminator) {
  if (message.NoDecode) {
    FSource.Capture(message.Body, terminator, true);
    return;
  }
  TReadWorkGuard work(FWork);
  bool messageEnd = false;
  while (!messageEnd) {
    std::string line = FSource.ReadLn();
    if (line == terminator) break;
    UnstuffLineInPlace(line);
    std::unique_ptr<TMessageDecoder> decoder = TMessageDecoderList::FindDecoder(message, line);
    if (!decoder) {
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
  std::unique_ptr<TMessageDecoder> next = decoder->ReadPartBody(content, messageEnd);
  decoder.reset();
  auto text = std::make_unique<TText>();
  text->Lines.SetText(content.DataString());
  message.MessageParts.Add(std::move(text));
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
  message.MessageParts.Add(std::move(attachment));
  return next;
}

}  // namespace qp::message
