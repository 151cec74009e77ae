// The "news" command of quillpost-cli: talks to one NNTP server with the same client the
// window uses and prints what it finds as JSON, one object per line.
//
//   news [--user U --password P] HOST[:PORT] groups
//   news [--user U --password P] HOST[:PORT] overview GROUP
//   news [--user U --password P] HOST[:PORT] article GROUP NUMBER [--save DIR]
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
