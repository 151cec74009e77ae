// Files and folders the program needs from the platform: the system temporary folder, unique
// temporary files, a copy that never overwrites, and the executable's folder.
#pragma once

#include <string>
#include <string_view>

namespace qp {

// The system temporary folder ($TMPDIR when set, otherwise /tmp) with a trailing "/".
// Read anew at each call.
std::string GetTempFolder();
// Creates a new, empty, uniquely named file in GetTempFolder() whose name starts with the
// first three characters of prefix, and returns its full path. Throws EFCreateError on failure.
std::string MakeTempFile(const std::string& prefix);
// Copies the file from to the new file to. Returns false, leaving nothing behind, when to
// already exists or anything fails; an existing file is never overwritten.
bool CopyFileNoOverwrite(const std::string& from, const std::string& to);
// Writes content to the new file to. Returns false, leaving nothing behind, when to already
// exists or anything fails; an existing file is never overwritten.
bool WriteFileNoOverwrite(const std::string& to, std::string_view content);
// Writes content into a new file beside fileName, readable and writable by the owner only,
// and renames it over fileName: the file is then either what it was or the whole new
// content, never half of it. Throws EFCreateError, leaving fileName as it was, on failure.
void ReplaceFile(const std::string& fileName, const std::string& content);
// Creates fileName as an empty file readable and writable by its owner only (0600, whatever
// the umask), for files that hold passwords. Returns false, changing nothing, when the file
// exists or cannot be created; whoever opens it next reports why.
bool CreatePrivateFile(const std::string& fileName);
// The folder of the running executable with a trailing "/".
std::string ExecutableFolder();
// The file name of the running executable, without its folder ("quillpost").
std::string ExecutableName();

}  // namespace qp
