// The "fetch" command of quillpost-cli: one GET (http or https) with the request values of
// the reader's feed update, redirects followed as there, the body written to standard output
// byte for byte.
//
//   fetch URL [--headers]
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/ConnectionOptions.h"

namespace qp::cli {

// The usage line of the command, as printed for bad usage.
extern const char* const FetchUsage;

// Runs the command with its arguments (those after "fetch"): the response body goes to out;
// with --headers the status line and the response header lines go to err first, one per
// line; each redirect followed writes "quillpost-cli: Moved to URL" to err. A failure writes its
// message to err. Returns the process exit code: 0 on success (a 401 included: its page is the
// output, where the feed update fails), 1 on a failure, 2 on bad usage.
int RunFetchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const TConnectionOptions& connection = {});

}  // namespace qp::cli
