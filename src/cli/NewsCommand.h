// The "news" command of quillpost-cli: talks to one NNTP server with the same client the
// window uses and prints what it finds as JSON, one object per line.
//
//   news [--user U --password P] SERVER groups
//   news [--user U --password P] SERVER overview GROUP
//   news [--user U --password P] SERVER article GROUP NUMBER [--save DIR]
//
// SERVER is HOST[:PORT] (port 119, TLS at port 563) or nntps://HOST[:PORT] (TLS, port 563).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/ConnectionOptions.h"

namespace qp::cli {

// The usage lines of the command, as printed for bad usage.
extern const char* const NewsUsage;

// Runs the command with its arguments (those after "news"); writes results to out and
// failures to err. Returns the process exit code: 0 on success, 1 on a failure, 2 on bad usage.
int RunNewsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const TConnectionOptions& connection = {});

}  // namespace qp::cli
