// The "news" command of quillpost-cli: talks to one NNTP server with the same client the
// window uses and prints what it finds as JSON, one object per line.
//
//   news [--user U --password P|-] SERVER groups
//   news [--user U --password P|-] SERVER overview GROUP
//   news [--user U --password P|-] SERVER article GROUP NUMBER [--save DIR]
//
// SERVER is HOST[:PORT] (port 119, TLS at port 563) or nntps://HOST[:PORT] (TLS, port 563).
// "--password -" reads the password from the first line of standard input; without
// --password it comes from the environment variable QUILLPOST_PASSWORD when that is set.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "cli/ConnectionOptions.h"

namespace qp::cli {

// The usage lines of the command, as printed for bad usage.
extern const char* const NewsUsage;

// The name under which "article --save" writes the attachment named fileName that is part
// partIndex (from 0) of its article into dir (with a trailing "/"): the last component of
// fileName, or "attachment-N" (N = partIndex + 1) when that is empty, holds a NUL byte or is
// longer than nameMax bytes. A name in used (saved earlier in the same run) becomes
// "name-1.ext", "name-2.ext" and so on, the first such name neither in used nor in dir that
// fits nameMax; "" when there is none.
std::string ChooseSaveName(const std::string& fileName, int partIndex,
                           const std::set<std::string>& used, const std::string& dir,
                           std::size_t nameMax);

// Runs the command with its arguments (those after "news") over connections set up by
// connection; reads a password from in when asked to, writes results to out and failures to
// err. Returns the process exit code: 0 on success, 1 on a failure (also when any attachment
// could not be saved), 2 on bad usage.
int RunNewsCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                   std::ostream& err, const TConnectionOptions& connection = {});

}  // namespace qp::cli
