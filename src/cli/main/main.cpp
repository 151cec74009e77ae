// quillpost-cli: the command-line companion of Quillpost, for scripts and benchmarks.
#include <iostream>
#include <string>
#include <vector>

#include "cli/FeedCommand.h"
#include "cli/FetchCommand.h"
#include "cli/NewsCommand.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  const std::string command = args.empty() ? std::string() : args[0];
  if (command != "news" && command != "fetch" && command != "feed") {
    std::cerr << qp::cli::NewsUsage << qp::cli::FetchUsage << qp::cli::FeedUsage;
    return 2;
  }
  args.erase(args.begin());
  if (command == "fetch") return qp::cli::RunFetchCommand(args, std::cout, std::cerr);
  if (command == "feed") return qp::cli::RunFeedCommand(args, std::cout, std::cerr);
  return qp::cli::RunNewsCommand(args, std::cin, std::cout, std::cerr);
}
