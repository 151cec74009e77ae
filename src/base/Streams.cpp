#include "base/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/Exception.h"
#include "base/SysUtils.h"

namespace qp {

int64_t TStream::Size() {
  const int64_t here = Seek(0, TSeekOrigin::soCurrent);
  const int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(here, TSeekOrigin::soBeginning);
  return size;
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count > 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  char chunk[65536];
  int64_t done = 0;
  while (done < count) {
    const int64_t want = std::min<int64_t>(count - done, sizeof chunk);
    const int64_t got = source.Read(chunk, want);
    if (got <= 0) throw EStreamError("Stream read error");
    WriteBuffer(chunk, got);
    done += got;
  }
  return done;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  const int64_t available = Size() - FPosition;
  const int64_t n = std::max<int64_t>(0, std::min(count, available));
  if (n > 0) std::memcpy(buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
  FPosition += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const auto end = static_cast<std::size_t>(FPosition + count);
  if (end > FData.size()) {
    if (FPosition == Size()) {
      FData.append(static_cast<const char*>(buffer), static_cast<std::size_t>(count));
      FPosition += count;
      return count;
    }
    FData.resize(end);
  }
  std::memcpy(FData.data() + FPosition, buffer, static_cast<std::size_t>(count));
  FPosition += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = FPosition;
  if (origin == TSeekOrigin::soEnd) base = Size();
  FPosition = std::max<int64_t>(0, base + offset);
  return FPosition;
}

void TMemoryStream::SetSize(int64_t size) {
  FData.resize(static_cast<std::size_t>(std::max<int64_t>(0, size)));
  FPosition = std::min(FPosition, Size());
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : FFileName(fileName) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case TFileMode::fmCreate:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
    case TFileMode::fmOpenRead:
      flags |= O_RDONLY;
      break;
    case TFileMode::fmOpenWrite:
      flags |= O_WRONLY;
      break;
    case TFileMode::fmOpenReadWrite:
      flags |= O_RDWR;
      break;
  }
  FHandle = ::open(fileName.c_str(), flags, 0644);
  if (FHandle < 0) {
    const std::string reason = std::strerror(errno);
    if (mode == TFileMode::fmCreate)
      throw EFCreateError(
          Format("Cannot create file \"%s\". %s", fileName.c_str(), reason.c_str()));
    throw EFOpenError(Format("Cannot open file \"%s\". %s", fileName.c_str(), reason.c_str()));
  }
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    const ssize_t n =
        ::read(FHandle, static_cast<char*>(buffer) + done, static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(FHandle, static_cast<const char*>(buffer) + done,
                              static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = SEEK_SET;
  if (origin == TSeekOrigin::soCurrent) whence = SEEK_CUR;
  if (origin == TSeekOrigin::soEnd) whence = SEEK_END;
  return ::lseek(FHandle, offset, whence);
}

void TFileStream::SetSize(int64_t size) {
  if (::ftruncate(FHandle, size) != 0)
    throw EStreamError(Format("Cannot set the size of \"%s\"", FFileName.c_str()));
  if (Position() > size) SetPosition(size);
}

std::string ReadLnFromStream(TStream& stream) {
  std::string line;
  char c;
  while (stream.Read(&c, 1) == 1) {
    if (c == '\n') break;
    if (c != '\r') line += c;
  }
  return line;
}

}  // namespace qp
