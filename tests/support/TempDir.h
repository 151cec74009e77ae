// A temporary folder for one test: created empty under the system temp path, removed with
// everything in it when the object is destroyed.
#pragma once

#include <string>
#include <vector>

namespace qp::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder's path, without a trailing separator.
  const std::string& Path() const { return FPath; }
  // Path() joined with name.
  std::string File(const std::string& name) const { return FPath + "/" + name; }

 private:
  std::string FPath;
};

// The entries of folder whose names start with prefix, as full paths, sorted; none when the
// folder cannot be read.
std::vector<std::string> EntriesStartingWith(const std::string& folder, const std::string& prefix);

// The whole content of a file; "" when it cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace qp::test
