#include "base/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "base/Exception.h"
#include "base/SysUtils.h"

namespace qp {

namespace {

// Closes a POSIX file descriptor once, on every path out of the copy.
class TFileHandle {
 public:
  explicit TFileHandle(int fd) : FFd(fd) {}
  ~TFileHandle() {
    if (FFd >= 0) ::close(FFd);
  }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  int Get() const { return FFd; }
  bool Valid() const { return FFd >= 0; }
  // Closes now and reports whether the close succeeded (a failed close can lose written data).
  bool Close() {
    const int fd = FFd;
    FFd = -1;
    return ::close(fd) == 0;
  }

 private:
  int FFd;
};

bool WriteAll(int fd, const char* data, std::size_t count) {
  while (count > 0) {
    const ssize_t n = ::write(fd, data, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    count -= static_cast<std::size_t>(n);
  }
  return true;
}

bool CopyContents(int in, int out) {
  std::vector<char> buffer(64 * 1024);
  while (true) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(n))) return false;
  }
}

}  // namespace

std::string GetTempFolder() {
  const char* env = std::getenv("TMPDIR");
  std::string folder = (env != nullptr && *env != '\0') ? env : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string MakeTempFile(const std::string& prefix) {
  // The prefix is a name part, never a path: a "/" in it would leave the temporary folder.
  std::string namePart = prefix.substr(0, 3);
  for (char& c : namePart)
    if (c == '/' || c == '\0') c = '_';
  std::string path = GetTempFolder() + namePart + "XXXXXX";
  std::vector<char> buffer(path.begin(), path.end());
  buffer.push_back('\0');
  const int fd = ::mkstemp(buffer.data());
  if (fd < 0) {
    const std::string reason = std::strerror(errno);
    throw EFCreateError(Format("Cannot create file \"%s\". %s", path.c_str(), reason.c_str()));
  }
  ::close(fd);
  return std::string(buffer.data());
}

bool CopyFileNoOverwrite(const std::string& from, const std::string& to) {
  TFileHandle in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.Valid()) return false;
  struct stat info {};
  // Only regular files are copied; checking first means nothing is created for a folder.
  if (::fstat(in.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  // O_EXCL makes "does the target exist" and "create it" one step, so a file that appears
  // between a check and the open is never overwritten.
  TFileHandle out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!out.Valid()) return false;
  if (!CopyContents(in.Get(), out.Get()) || !out.Close()) {
    // The target is the file made above, so removing the partial copy loses nothing.
    ::unlink(to.c_str());
    return false;
  }
  return true;
}

bool WriteFileNoOverwrite(const std::string& to, std::string_view content) {
  TFileHandle out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!out.Valid()) return false;
  if (!WriteAll(out.Get(), content.data(), content.size()) || !out.Close()) {
    ::unlink(to.c_str());
    return false;
  }
  return true;
}

void ReplaceFile(const std::string& fileName, const std::string& content) {
  const std::size_t slash = fileName.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : fileName.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  const std::string pattern = folder + "." + name + ".XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  // mkstemp makes the file readable and writable by its owner only.
  TFileHandle out(::mkstemp(buffer.data()));
  int error = out.Valid() ? 0 : errno;
  if (error == 0) {
    if (!WriteAll(out.Get(), content.data(), content.size()) || ::fsync(out.Get()) != 0) {
      error = errno;
    }
    if (!out.Close() && error == 0) error = errno;
    if (error == 0 && ::rename(buffer.data(), fileName.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(buffer.data());
  }
  if (error != 0) {
    throw EFCreateError(
        Format("Cannot create file \"%s\". %s", fileName.c_str(), std::strerror(error)));
  }
}

bool CreatePrivateFile(const std::string& fileName) {
  // O_EXCL: an existing file, or a link planted in its place, is never opened.
  TFileHandle file(::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  return file.Valid();
}

std::string ExecutableFolder() {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path exe = fs::read_symlink("/proc/self/exe", error);
  std::string folder = error ? fs::current_path(error).string() : exe.parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string ExecutableName() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  // Without /proc the program still has a name to give its settings file.
  return error ? std::string("quillpost") : exe.filename().string();
}

}  // namespace qp
