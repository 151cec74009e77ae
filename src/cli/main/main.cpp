// quillpost-cli: the command-line companion of Quillpost, for scripts and benchmarks.
#include <iostream>
#include <string>
#include <vector>

#include "base/Exception.h"
#include "cli/ConnectionOptions.h"
#include "cli/FeedCommand.h"
#include "cli/FetchCommand.h"
#include "cli/NewsCommand.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  auto usage = [] {
    std::cerr << qp::cli::NewsUsage << qp::cli::FetchUsage << qp::cli::FeedUsage
              << qp::cli::ConnectionUsage;
    return 2;
  };
  // The options before the command apply to the connections of every command.
  qp::cli::TConnectionOptions connection;
  try {
    connection = qp::cli::TakeConnectionOptions(args);
  } catch (const qp::Exception& e) {
    std::cerr << "quillpost-cli: " << e.Message() << '\n';
    return usage();
  }
  const std::string command = args.empty() ? std::string() : args[0];
  if (command != "news" && command != "fetch" && command != "feed") return usage();
  args.erase(args.begin());
  if (command == "fetch") return qp::cli::RunFetchCommand(args, std::cout, std::cerr, connection);
  if (command == "feed") return qp::cli::RunFeedCommand(args, std::cout, std::cerr, connection);
  return qp::cli::RunNewsCommand(args, std::cin, std::cout, std::cerr, connection);
}
