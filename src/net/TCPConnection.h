// The blocking, line-oriented TCP connection under the NNTP and HTTP clients: lines,
// numbered replies (RFC 3977 section 3.2), dot-terminated listings, byte counts and streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Component.h"
#include "base/Streams.h"
#include "base/StringList.h"
#include "net/IOHandler.h"
#include "net/NetExceptions.h"
#include "net/Stack.h"

namespace qp::net {

class TTCPConnection;

// Received bytes not yet consumed, in arrival order. Consuming moves a read position
// instead of the remaining bytes; the storage is compacted only when the consumed part
// dominates, so taking many lines off a large buffer stays linear. Owned by its connection.
class TBuffer {
 public:
  std::size_t Size() const { return FData.size() - FStart; }
  bool Empty() const { return Size() == 0; }
  const char* Data() const { return FData.data() + FStart; }
  std::string_view View() const { return std::string_view(Data(), Size()); }

  void Append(const void* data, std::size_t count);
  // Removes the first count bytes (at most Size()).
  void Remove(std::size_t count);
  // Copies out and removes the first count bytes (at most Size()).
  std::string Extract(std::size_t count);
  void Clear();
  // Offset of the first occurrence of bytes at or after from; npos when absent.
  std::size_t Find(std::string_view bytes, std::size_t from = 0) const;

 private:
  std::string FData;
  std::size_t FStart = 0;
};

// Optional hook object of a connection; this program never sets one. Each hook sees the
// connection or the bytes of one block and may change the bytes.
class TConnectionIntercept : public TBaseComponent {
 public:
  virtual void Connect(TTCPConnection& connection) { (void)connection; }
  virtual void Disconnect() {}
  virtual void Receive(std::string& bytes) { (void)bytes; }
  virtual void Send(std::string& bytes) { (void)bytes; }
};

// The connection. Owned by its user (the NNTP or HTTP client derives from it); every
// operation blocks the calling thread, which in this program is the UI thread.
class TTCPConnection : public TComponent {
 public:
  TTCPConnection();
  ~TTCPConnection() override;

  // Time a receive may wait for data, in ms; 0 = no limit.
  int ReadTimeout = 0;
  // Size of one receive; chunk size of ReadIntoStream.
  int RecvBufferSize = 32768;
  // Chunk size of WriteFromStream.
  int SendBufferSize = 32768;
  // Clear bit 7 of every received byte.
  bool ASCIIFilter = false;
  TNotifyEvent OnConnected;
  TNotifyEvent OnDisconnected;

  // Longest line ReadLn accepts (bytes before the terminator); a longer one drops the
  // connection and raises ELineTooLong. No real reply or header comes near it; it keeps
  // a peer that never sends a line end from growing the buffer without bound.
  static constexpr std::size_t kMaxLineLength = 16 * 1024 * 1024;
  // Most lines of one numbered reply (continuation lines "nnn-" included); a longer one
  // drops the connection and raises ELimitExceeded.
  static constexpr int kMaxReplyLines = 100000;
  // Most bytes ReadIntoStream makes room for ahead of their arrival, whatever count the
  // peer announced; beyond it the stream grows as the bytes come in.
  static constexpr int64_t kMaxPreallocation = 1024 * 1024;

  TIOHandler* IOHandler() const { return FIOHandler; }
  // Uses an I/O layer owned elsewhere (nullptr: none); a different one disconnects first.
  void SetIOHandler(TIOHandler* handler);
  TConnectionIntercept* Intercept() const { return FIntercept; }
  void SetIntercept(TConnectionIntercept* intercept);

  virtual bool Connected();
  // Reports "Disconnecting.", drops the socket, frees an I/O layer made by Connect, fires
  // OnDisconnected and reports "Disconnected.".
  virtual void Disconnect();
  // Closes the socket without events; the I/O layer stays.
  virtual void DropSocket();

  // Sends the bytes of text (nothing when empty).
  virtual void WriteText(const std::string& text);
  virtual void WriteLn(const std::string& text = "");
  void WriteLines(const TStringList& lines);
  // Sends count bytes; now bypasses an open write buffer. Raises EConnClosedGracefully
  // on a closed connection and ESocketError on a failed send.
  void WriteBytes(const void* data, int count, bool now = false);
  // Sends the stream from position 0 (fromStart) or its current position, optionally
  // preceded by the size as a 4-byte big-endian integer.
  virtual void WriteFromStream(TStream& stream, bool fromStart = true, bool withLength = false);
  // Collects writes and sends them when threshold bytes are buffered (-1 or 0: only at
  // FlushWriteBuffer).
  void BeginWriteBuffer(int threshold = -1);
  void FlushWriteBuffer();

  // The next line up to terminator ("" = LF, then a trailing CR is dropped too), without
  // the terminator. timeout in ms: -1 = ReadTimeout (raising EReadTimeout when it runs
  // out), -2 = no limit; any other time-out returns "" and sets ReadTimedOut instead.
  virtual std::string ReadLn(const std::string& terminator = "", int timeout = -1);
  // The next line that is not blank, trimmed.
  std::string ReadNonBlankLine();

  // Reads a reply (continuation lines "nnn-" up to "nnn "), stores it and checks its code
  // against allowed (empty = any). Raises EProtocolReplyError, and ELimitExceeded (after
  // dropping the connection) for a reply of more than kMaxReplyLines lines.
  int16_t GetResponse(const std::vector<int16_t>& allowed);
  // Sends text as a command line (the one-byte text "\0" sends nothing) and reads the reply.
  virtual int16_t SendCmd(const std::string& text, const std::vector<int16_t>& allowed);
  // -1 accepts any code.
  int16_t SendCmd(const std::string& text, int16_t code = -1);
  int16_t CheckReply(int16_t code, const std::vector<int16_t>& allowed);

  // Reads lines ending in CR LF up to the line equal to terminator; with unstuff a leading
  // ".." loses one dot (RFC 3977 section 3.1.1). Lines go to the target (a stream gets each
  // line with CR LF; nullptr drops them).
  void Capture(TStringList& target, const std::string& terminator = ".", bool unstuff = false);
  void Capture(TStream& target, const std::string& terminator = ".", bool unstuff = false);
  void Capture(std::nullptr_t, const std::string& terminator = ".", bool unstuff = false);
  // Hands each line to target as it arrives (the line may be moved from), so a long listing
  // need not be held whole.
  using TLineSink = std::function<void(std::string& line)>;
  void Capture(const TLineSink& target, const std::string& terminator = ".", bool unstuff = false);

  // Reads exactly count bytes. Raises EConnClosedGracefully when the peer closes first.
  void ReadBytes(void* buffer, int count);
  void ReadBytes(TStream& target, int count);
  std::string ReadString(int count);
  // count -1 without untilClose: the count comes first as a 4-byte big-endian integer.
  void ReadIntoStream(TStream& stream, int64_t count = -1, bool untilClose = false);

  int16_t ReplyCode() const { return FReplyCode; }
  std::string ReplyText() const {
    return FReplyLines.Empty() ? "" : FReplyLines[FReplyLines.Count() - 1];
  }
  const TStringList& ReplyLines() const { return FReplyLines; }
  bool ReadTimedOut() const { return FReadTimedOut; }
  TBuffer& InputBuffer() { return FInputBuffer; }
  bool PeerClosed() const { return FPeerClosed; }

 protected:
  virtual void DoOnDisconnected();
  // Empties the input buffer and clears the peer-closed mark before a connect.
  virtual void ResetConnection();
  virtual void CheckPeerClosed(bool raise, bool ignoreBuffered);
  // Copies out and consumes count buffered bytes, reporting read work.
  virtual std::string TakeBytes(std::size_t count);
  [[noreturn]] virtual void RaiseReplyError();
  // Receives once into the input buffer; -1 when nothing arrived in time (and
  // raiseOnTimeout is false), otherwise the receive's byte count.
  virtual int FillInputBuffer(bool raise, int timeout, bool raiseOnTimeout);
  void Notification(TBaseComponent* component) override;

  // Makes handler the I/O layer owned by this connection (Connect of the client).
  void AdoptIOHandler(std::unique_ptr<TIOHandler> handler);
  bool OwnsIOHandler() const { return FOwnedIOHandler != nullptr; }

 private:
  TStackReference FStackReference;
  void DropSocketQuietly();
  void SendBufferedBytes(int count);
  template <typename Sink>
  void CaptureLines(Sink sink, const std::string& terminator, bool unstuff);

  TIOHandler* FIOHandler = nullptr;
  std::unique_ptr<TIOHandler> FOwnedIOHandler;
  TConnectionIntercept* FIntercept = nullptr;
  TBuffer FInputBuffer;
  std::string FRecvScratch;
  bool FPeerClosed = false;
  bool FReadTimedOut = false;
  TStringList FReplyLines;
  int16_t FReplyCode = 0;
  std::unique_ptr<TBuffer> FWriteBuffer;
  int32_t FWriteBufferThreshold = -1;
};

// A stream over a connection: reading N bytes reads them off the connection, writing goes
// through its write path, seeking is not possible. Owned by its user; the connection must
// outlive it.
class TTCPStream : public TStream {
 public:
  explicit TTCPStream(TTCPConnection& connection) : FConnection(connection) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override { (void)size; }
  TTCPConnection& Connection() { return FConnection; }

 private:
  TTCPConnection& FConnection;
};

// One line from a stream: from a TTCPStream the connection's ReadLn, from any other
// stream the bytes up to an LF or the end, without CR and LF.
std::string ReadStreamLine(TStream& stream);
// Writes text followed by CR LF.
void WriteLnToStream(TStream& stream, const std::string& text);

}  // namespace qp::net
