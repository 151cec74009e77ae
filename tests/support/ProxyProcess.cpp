#include "support/ProxyProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "support/LoopbackListener.h"
#include "support/LoopbackServer.h"

extern char** environ;

namespace qp::test {

std::string MicrosocksProcess::ProgramPath() {
  std::vector<std::string> folders;
  if (const char* path = std::getenv("PATH")) {
    std::string list = path;
    for (std::size_t at = 0; at <= list.size();) {
      const std::size_t colon = list.find(':', at);
      const std::size_t end = colon == std::string::npos ? list.size() : colon;
      if (end > at) folders.push_back(list.substr(at, end - at));
      at = end + 1;
    }
  }
  folders.push_back("/usr/bin");
  for (const std::string& folder : folders) {
    const std::string candidate = folder + "/microsocks";
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0)
      return candidate;
  }
  return "";
}

MicrosocksProcess::MicrosocksProcess(const std::string& user, const std::string& password) {
  const std::string program = ProgramPath();
  if (program.empty()) {
    FProblem = "microsocks is not installed (scripts/install-deps installs it)";
    return;
  }
  const int port = UnusedLoopbackPort();
  std::vector<std::string> args = {program, "-i", "127.0.0.1", "-p", std::to_string(port)};
  if (!user.empty()) args.insert(args.end(), {"-u", user, "-P", password});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const int spawned =
      ::posix_spawn(&FPid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    FPid = -1;
    FProblem = "cannot start " + program;
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    const int fd = ConnectLoopback(port);
    if (fd >= 0) {
      ::close(fd);
      FPort = port;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  FProblem = "microsocks did not listen on port " + std::to_string(port) + " within 5 s";
}

MicrosocksProcess::~MicrosocksProcess() {
  if (FPid <= 0) return;
  ::kill(FPid, SIGTERM);
  int status = 0;
  ::waitpid(FPid, &status, 0);
}

}  // namespace qp::test
