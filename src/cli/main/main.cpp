// quillpost-cli: the command-line companion of Quillpost, for scripts and benchmarks.
#include <iostream>
#include <string>
#include <vector>

#include "cli/NewsCommand.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] != "news") {
    std::cerr << qp::cli::NewsUsage;
    return 2;
  }
  args.erase(args.begin());
  return qp::cli::RunNewsCommand(args, std::cout, std::cerr);
}
