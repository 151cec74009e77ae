// The byte-stream family: an abstract stream with a position and a size, an in-memory
// stream and a file stream. Streams are owned by whoever creates them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qp {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads at most count bytes into buffer; returns how many were read (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes count bytes; returns how many were written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position; returns the new position, or -1 when the stream cannot seek.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size();
  virtual void SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }

  // Write everything or throw EStreamError.
  void WriteBuffer(const void* buffer, int64_t count);
  void WriteString(std::string_view s) { WriteBuffer(s.data(), static_cast<int64_t>(s.size())); }
  // Copies count bytes (all that remain when count is 0) from source; returns the number copied.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A growable block of bytes in memory.
class TMemoryStream : public TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t size) override;

  const std::string& DataString() const { return FData; }
  void Clear();

 private:
  std::string FData;
  int64_t FPosition = 0;
};

enum class TFileMode { fmCreate, fmOpenRead, fmOpenWrite, fmOpenReadWrite };

// A file on disk. fmCreate creates the file or empties an existing one; the open modes need
// the file to exist. Failures throw EFCreateError / EFOpenError naming the file.
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& fileName, TFileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;
  const std::string& FileName() const { return FFileName; }

 private:
  std::string FFileName;
  int FHandle = -1;
};

// Reads one line from a stream: bytes up to and including an LF or the end of the stream,
// returned without their CR and LF bytes. Used by readers that take lines from memory.
std::string ReadLnFromStream(TStream& stream);

}  // namespace qp
