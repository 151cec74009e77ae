#include "net/TCPConnection.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/SysUtils.h"
#include "net/AntiFreeze.h"
#include "net/Stack.h"

namespace qp::net {

namespace {

const std::string kCRLF = "\r\n";

// Compacting once the consumed prefix passes this size and half the storage keeps the
// cost of consuming lines linear in the bytes received.
constexpr std::size_t kCompactThreshold = 64 * 1024;

}  // namespace

void TBuffer::Append(const void* data, std::size_t count) {
  if (FStart > 0 && FStart == FData.size()) Clear();
  FData.append(static_cast<const char*>(data), count);
}

void TBuffer::Remove(std::size_t count) {
  FStart += std::min(count, Size());
  if (FStart == FData.size()) {
    Clear();
  } else if (FStart >= kCompactThreshold && FStart * 2 >= FData.size()) {
    FData.erase(0, FStart);
    FStart = 0;
  }
}

std::string TBuffer::Extract(std::size_t count) {
  count = std::min(count, Size());
  std::string bytes(Data(), count);
  Remove(count);
  return bytes;
}

void TBuffer::Clear() {
  FData.clear();
  FStart = 0;
}

std::size_t TBuffer::Find(std::string_view bytes, std::size_t from) const {
  return View().find(bytes, from);
}

TTCPConnection::TTCPConnection() = default;

TTCPConnection::~TTCPConnection() {
  try {
    DropSocketQuietly();
  } catch (...) {
    // A destructor must not throw; the socket is closed either way.
  }
}

void TTCPConnection::SetIOHandler(TIOHandler* handler) {
  if (handler == FIOHandler) return;
  if (FIOHandler != nullptr) Disconnect();
  if (FIOHandler != nullptr) FIOHandler->RemoveFreeNotification(this);
  FIOHandler = handler;
  if (handler != nullptr) {
    handler->FreeNotification(this);
    handler->SetConnection(this);
  }
}

void TTCPConnection::AdoptIOHandler(std::unique_ptr<TIOHandler> handler) {
  FOwnedIOHandler = std::move(handler);
  FIOHandler = FOwnedIOHandler.get();
  FIOHandler->SetConnection(this);
}

void TTCPConnection::SetIntercept(TConnectionIntercept* intercept) {
  if (FIntercept != nullptr) FIntercept->RemoveFreeNotification(this);
  FIntercept = intercept;
  if (intercept != nullptr) intercept->FreeNotification(this);
}

void TTCPConnection::Notification(TBaseComponent* component) {
  if (component == FIOHandler && component != FOwnedIOHandler.get()) FIOHandler = nullptr;
  if (component == FIntercept) FIntercept = nullptr;
}

void TTCPConnection::DoOnDisconnected() {
  if (OnDisconnected) OnDisconnected(*this);
}

void TTCPConnection::ResetConnection() {
  FInputBuffer.Clear();
  FPeerClosed = false;
}

void TTCPConnection::CheckPeerClosed(bool raise, bool ignoreBuffered) {
  if (!FPeerClosed && FIOHandler != nullptr) return;
  if (FIOHandler != nullptr && FIOHandler->IsOpen()) DropSocket();
  if ((FInputBuffer.Empty() || ignoreBuffered) && raise) throw EConnClosedGracefully();
}

bool TTCPConnection::Connected() {
  CheckPeerClosed(false, false);
  return FIOHandler != nullptr && FIOHandler->IsOpen();
}

void TTCPConnection::DropSocketQuietly() {
  if (FIOHandler == nullptr) return;
  FPeerClosed = true;
  if (FIntercept != nullptr) FIntercept->Disconnect();
  FIOHandler->CloseHandler();
}

void TTCPConnection::DropSocket() {
  DropSocketQuietly();
}

void TTCPConnection::Disconnect() {
  ReportStatus(StatusDisconnecting);
  DropSocket();
  // A layer still in the middle of a connect (entered again from a pumped handler) stays
  // until that connect has returned; the next Connect reuses it.
  if (FOwnedIOHandler && !FOwnedIOHandler->Connecting()) {
    FIOHandler = nullptr;
    FOwnedIOHandler.reset();
  }
  DoOnDisconnected();
  ReportStatus(StatusDisconnected);
}

std::string TTCPConnection::TakeBytes(std::size_t count) {
  if (count > FInputBuffer.Size()) throw ENotEnoughDataInBuffer();
  std::string bytes = FInputBuffer.Extract(count);
  AdvanceWork(WorkRead, static_cast<int>(count));
  return bytes;
}

void TTCPConnection::RaiseReplyError() {
  throw EProtocolReplyError(FReplyCode, ReplyText());
}

int TTCPConnection::FillInputBuffer(bool raise, int timeout, bool raiseOnTimeout) {
  if (timeout == -1) timeout = ReadTimeout == 0 ? -2 : ReadTimeout;
  CheckPeerClosed(raise, false);
  if (!Connected()) {
    // An I/O layer that is closed without a recorded peer close (one assigned but never
    // opened) would otherwise make every reading loop ask again forever.
    if (raise) throw EConnClosedGracefully();
    return 0;
  }
  if (!FIOHandler->WaitReadable(timeout)) {
    if (raiseOnTimeout) throw EReadTimeout();
    return -1;
  }
  FRecvScratch.resize(static_cast<std::size_t>(std::max(1, RecvBufferSize)));
  int result = FIOHandler->Receive(FRecvScratch.data(), static_cast<int>(FRecvScratch.size()));
  FPeerClosed = result == 0;
  if (result == SocketError) {
    const int error = GStack().WSGetLastError();
    if (error != wsaESHUTDOWN) throw ESocketError(error);
    DropSocket();
    if (FInputBuffer.Empty()) throw ESocketError(error);
    result = 0;
  } else if (result > 0) {
    // The block goes from the scratch buffer straight into InputBuffer; only an intercept,
    // which may change its length, gets a copy of its own.
    char* data = FRecvScratch.data();
    std::size_t size = static_cast<std::size_t>(result);
    std::string intercepted;
    if (FIntercept != nullptr) {
      intercepted.assign(data, size);
      FIntercept->Receive(intercepted);
      data = intercepted.data();
      size = intercepted.size();
    }
    if (ASCIIFilter) {
      for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>(data[i] & 0x7F);
    }
    FInputBuffer.Append(data, size);
  }
  CheckPeerClosed(raise, false);
  return result;
}

std::string TTCPConnection::ReadLn(const std::string& terminator, int timeout) {
  const bool defaultTerminator = terminator.empty();
  const std::string term = defaultTerminator ? std::string("\n") : terminator;
  // With the default terminator a CR before the LF belongs to the line end, not the line.
  const std::size_t allowance = kMaxLineLength + (defaultTerminator ? 1 : 0);
  FReadTimedOut = false;
  std::size_t searchFrom = 0;
  std::size_t found;
  while ((found = FInputBuffer.Find(term, searchFrom)) == std::string::npos) {
    if (FInputBuffer.Size() >= allowance + term.size()) {
      DropSocket();
      throw ELineTooLong(static_cast<int64_t>(kMaxLineLength));
    }
    // Only the bytes that arrive next need searching, plus a terminator's worth of overlap.
    searchFrom = FInputBuffer.Size() >= term.size() ? FInputBuffer.Size() - term.size() + 1 : 0;
    CheckPeerClosed(true, true);
    if (FillInputBuffer(true, timeout, timeout == -1) == -1) {
      FReadTimedOut = true;
      return "";
    }
  }
  // With the default terminator allowance leaves room for the CR, which must then be there.
  if (found > allowance ||
      (defaultTerminator && found == allowance && FInputBuffer.Data()[found - 1] != '\r')) {
    DropSocket();
    throw ELineTooLong(static_cast<int64_t>(kMaxLineLength));
  }
  std::string line = TakeBytes(found + term.size());
  line.resize(found);
  if (defaultTerminator && !line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string TTCPConnection::ReadNonBlankLine() {
  for (;;) {
    std::string line = Trim(ReadLn());
    if (!line.empty()) return line;
  }
}

int16_t TTCPConnection::GetResponse(const std::vector<int16_t>& allowed) {
  FReplyLines.Clear();
  std::string line = ReadNonBlankLine();
  FReplyLines.Add(line);
  if (line.size() > 3 && line[3] == '-') {
    const std::string endMarker = line.substr(0, 3) + " ";
    do {
      if (FReplyLines.Count() >= kMaxReplyLines) {
        // The rest of the reply is still on the way; the session cannot be followed.
        DropSocket();
        throw ELimitExceeded(Format("Reply exceeds the limit of %d lines.", kMaxReplyLines));
      }
      line = ReadNonBlankLine();
      FReplyLines.Add(line);
    } while (!(line.size() < 4 || SameText(line.substr(0, 4), endMarker)));
  }
  FReplyCode = static_cast<int16_t>(StrToIntDef(line.substr(0, 3), 0));
  return CheckReply(FReplyCode, allowed);
}

int16_t TTCPConnection::CheckReply(int16_t code, const std::vector<int16_t>& allowed) {
  if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), code) == allowed.end()) {
    RaiseReplyError();
  }
  return code;
}

int16_t TTCPConnection::SendCmd(const std::string& text, const std::vector<int16_t>& allowed) {
  if (text != std::string(1, '\0')) WriteLn(text);
  return GetResponse(allowed);
}

int16_t TTCPConnection::SendCmd(const std::string& text, int16_t code) {
  if (code == -1) return SendCmd(text, std::vector<int16_t>{});
  return SendCmd(text, std::vector<int16_t>{code});
}

template <typename Sink>
void TTCPConnection::CaptureLines(Sink sink, const std::string& terminator, bool unstuff) {
  StartWork(WorkRead, 0);
  try {
    for (;;) {
      std::string line = ReadLn(kCRLF);
      if (line == terminator) break;
      if (unstuff && line.size() >= 2 && line[0] == '.' && line[1] == '.') line.erase(0, 1);
      sink(line);
    }
  } catch (...) {
    FinishWork(WorkRead);
    throw;
  }
  FinishWork(WorkRead);
}

void TTCPConnection::Capture(TStringList& target, const std::string& terminator, bool unstuff) {
  CaptureLines([&](std::string& line) { target.Add(std::move(line)); }, terminator, unstuff);
}

void TTCPConnection::Capture(TStream& target, const std::string& terminator, bool unstuff) {
  CaptureLines(
      [&](std::string& line) {
        line += kCRLF;
        target.WriteString(line);
      },
      terminator, unstuff);
}

void TTCPConnection::Capture(const TLineSink& target, const std::string& terminator, bool unstuff) {
  CaptureLines([&](std::string& line) { target(line); }, terminator, unstuff);
}

void TTCPConnection::Capture(std::nullptr_t, const std::string& terminator, bool unstuff) {
  CaptureLines([](std::string&) {}, terminator, unstuff);
}

void TTCPConnection::WriteText(const std::string& text) {
  if (!text.empty()) WriteBytes(text.data(), static_cast<int>(text.size()), false);
}

void TTCPConnection::WriteLn(const std::string& text) {
  WriteText(text + kCRLF);
}

void TTCPConnection::WriteLines(const TStringList& lines) {
  for (const std::string& line : lines) WriteLn(line);
}

void TTCPConnection::WriteBytes(const void* data, int count, bool now) {
  if (count <= 0 || data == nullptr) return;
  CheckPeerClosed(true, true);
  if (FWriteBuffer && !now) {
    FWriteBuffer->Append(data, static_cast<std::size_t>(count));
    if (FWriteBufferThreshold > 0 &&
        FWriteBuffer->Size() >= static_cast<std::size_t>(FWriteBufferThreshold)) {
      SendBufferedBytes(FWriteBufferThreshold);
    }
    return;
  }
  std::string block(static_cast<const char*>(data), static_cast<std::size_t>(count));
  if (FIntercept != nullptr) FIntercept->Send(block);
  std::size_t position = 0;
  while (position < block.size()) {
    const int sent =
        FIOHandler->Send(block.data() + position, static_cast<int>(block.size() - position));
    // Read the error before pumping: an event handler may make socket calls of its own.
    const int error = sent == SocketError ? GStack().WSGetLastError() : 0;
    PumpIfDue(false, false);
    FPeerClosed = sent == 0;
    CheckPeerClosed(true, false);
    if (sent == SocketError) {
      if (error == wsaESHUTDOWN || error == wsaECONNABORTED || error == wsaECONNRESET) {
        DropSocket();
      }
      throw ESocketError(error);
    }
    // A send that moved nothing on a live socket would repeat forever.
    if (sent == 0) throw EConnClosedGracefully();
    AdvanceWork(WorkWrite, sent);
    position += static_cast<std::size_t>(sent);
  }
}

void TTCPConnection::BeginWriteBuffer(int threshold) {
  FWriteBuffer = std::make_unique<TBuffer>();
  FWriteBufferThreshold = threshold;
}

void TTCPConnection::SendBufferedBytes(int count) {
  if (!FWriteBuffer || FWriteBuffer->Empty()) return;
  // Detach while sending so a failure leaves no half-sent bytes behind for a later flush.
  if (count != -1 && FWriteBuffer->Size() >= static_cast<std::size_t>(count)) {
    const std::string bytes = FWriteBuffer->Extract(static_cast<std::size_t>(count));
    WriteBytes(bytes.data(), static_cast<int>(bytes.size()), true);
  } else {
    const std::string bytes = FWriteBuffer->Extract(FWriteBuffer->Size());
    WriteBytes(bytes.data(), static_cast<int>(bytes.size()), true);
  }
}

void TTCPConnection::FlushWriteBuffer() {
  try {
    SendBufferedBytes(-1);
  } catch (...) {
    FWriteBuffer.reset();
    throw;
  }
  FWriteBuffer.reset();
}

void TTCPConnection::WriteFromStream(TStream& stream, bool fromStart, bool withLength) {
  if (fromStart) stream.SetPosition(0);
  int64_t size = stream.Size() - stream.Position();
  if (withLength) {
    const uint32_t length = TStack::HToNl(static_cast<uint32_t>(size));
    WriteBytes(&length, 4, false);
  }
  StartWork(WorkWrite, static_cast<int>(std::min<int64_t>(size, std::numeric_limits<int>::max())));
  try {
    std::string chunk(static_cast<std::size_t>(std::max(1, SendBufferSize)), '\0');
    while (size > 0) {
      const int64_t want = std::min<int64_t>(size, static_cast<int64_t>(chunk.size()));
      const int64_t got = stream.Read(chunk.data(), want);
      if (got <= 0) throw ENoDataToRead();
      WriteBytes(chunk.data(), static_cast<int>(got), false);
      size -= got;
    }
  } catch (...) {
    FinishWork(WorkWrite);
    throw;
  }
  FinishWork(WorkWrite);
}

void TTCPConnection::ReadBytes(void* buffer, int count) {
  if (count <= 0 || buffer == nullptr) return;
  while (FInputBuffer.Size() < static_cast<std::size_t>(count)) {
    FillInputBuffer(true, -1, true);
    CheckPeerClosed(true, true);
  }
  const std::string bytes = TakeBytes(static_cast<std::size_t>(count));
  std::memcpy(buffer, bytes.data(), bytes.size());
}

void TTCPConnection::ReadBytes(TStream& target, int count) {
  if (count <= 0) return;
  const std::string bytes = ReadString(count);
  target.WriteString(bytes);
}

std::string TTCPConnection::ReadString(int count) {
  if (count <= 0) return "";
  while (FInputBuffer.Size() < static_cast<std::size_t>(count)) {
    FillInputBuffer(true, -1, true);
    CheckPeerClosed(true, true);
  }
  return TakeBytes(static_cast<std::size_t>(count));
}

void TTCPConnection::ReadIntoStream(TStream& stream, int64_t count, bool untilClose) {
  if (count == -1 && !untilClose) {
    uint32_t length = 0;
    ReadBytes(&length, 4);
    // A signed 32-bit count, as WriteFromStream sends it: a negative one reads nothing
    // instead of growing the stream towards 4 GiB.
    count = static_cast<int32_t>(TStack::NToHl(length));
  }
  // Room for the bytes announced, but never more than kMaxPreallocation on the peer's word.
  if (count >= 0) stream.SetSize(stream.Position() + std::min(count, kMaxPreallocation));
  int64_t budget;
  if (untilClose) {
    budget = std::numeric_limits<int32_t>::max();
    StartWork(WorkRead, 0);
  } else {
    budget = count;
    StartWork(WorkRead,
              static_cast<int>(std::min<int64_t>(count, std::numeric_limits<int>::max())));
  }
  try {
    const int64_t buffered = std::min<int64_t>(static_cast<int64_t>(FInputBuffer.Size()), budget);
    if (buffered > 0) {
      stream.WriteBuffer(FInputBuffer.Data(), buffered);
      FInputBuffer.Remove(static_cast<std::size_t>(buffered));
      budget -= buffered;
    }
    while (budget > 0 && Connected()) {
      const int want = static_cast<int>(std::min<int64_t>(budget, std::max(1, RecvBufferSize)));
      std::string bytes;
      try {
        bytes = ReadString(want);
      } catch (const ENetException&) {
        if (!(untilClose && FPeerClosed)) throw;
        bytes = TakeBytes(FInputBuffer.Size());
      }
      stream.WriteString(bytes);
      budget -= static_cast<int64_t>(bytes.size());
    }
  } catch (...) {
    FinishWork(WorkRead);
    // The stream was extended for the whole count; keep only what actually arrived.
    if (stream.Size() > stream.Position()) stream.SetSize(stream.Position());
    throw;
  }
  FinishWork(WorkRead);
  if (stream.Size() > stream.Position()) stream.SetSize(stream.Position());
}

int64_t TTCPStream::Read(void* buffer, int64_t count) {
  FConnection.ReadBytes(buffer, static_cast<int>(count));
  return count;
}

int64_t TTCPStream::Write(const void* buffer, int64_t count) {
  FConnection.WriteBytes(buffer, static_cast<int>(count), false);
  return count;
}

int64_t TTCPStream::Seek(int64_t offset, TSeekOrigin origin) {
  (void)offset, (void)origin;
  return -1;
}

std::string ReadStreamLine(TStream& stream) {
  if (auto* tcp = dynamic_cast<TTCPStream*>(&stream)) return tcp->Connection().ReadLn();
  return ReadLnFromStream(stream);
}

void WriteLnToStream(TStream& stream, const std::string& text) {
  stream.WriteString(text);
  stream.WriteString(kCRLF);
}

}  // namespace qp::net
