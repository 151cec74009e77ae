// The "feed" command of quillpost-cli: fetches one site's feed document as the feed update
// does (or reads a local file), reads it with the readers the update uses and prints, as JSON
// one object per line, the site and how its document was read, then the items the feed tree
// shows under the site's node, in order.
//
//   feed URL
//   feed --file PATH
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/ConnectionOptions.h"

namespace qp::cli {

// The usage lines of the command, as printed for bad usage.
extern const char* const FeedUsage;

// Runs the command with its arguments (those after "feed"); writes results to out and
// failures to err (a failed fetch as the line the window's log shows for it). Returns the
// process exit code: 0 on success, 1 on a failure, 2 on bad usage.
int RunFeedCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const TConnectionOptions& connection = {});

}  // namespace qp::cli
