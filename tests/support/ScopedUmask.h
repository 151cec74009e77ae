// The process's file mode creation mask, set for one test and restored afterwards.
#pragma once

#include <sys/stat.h>

#include <string>

namespace qp::test {

class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : FOld(::umask(mask)) {}
  ~ScopedUmask() { ::umask(FOld); }
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  mode_t FOld;
};

// The permission bits of path (0777 mask), or -1 when it cannot be read.
inline int PermissionBits(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
}

}  // namespace qp::test
