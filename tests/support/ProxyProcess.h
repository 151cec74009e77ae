// A real SOCKS 5 server for tests: Debian's microsocks, started on a free loopback port and
// stopped again by the test that started it.
#pragma once

#include <sys/types.h>

#include <string>

namespace qp::test {

// Owned by the test; the process ends (SIGTERM, then waited for) when this is destroyed.
class MicrosocksProcess {
 public:
  // Starts microsocks on 127.0.0.1 at a free port, with a login when user is not empty, and
  // waits up to 5 s until it accepts connections. Running() tells whether that worked.
  explicit MicrosocksProcess(const std::string& user = "", const std::string& password = "");
  ~MicrosocksProcess();
  MicrosocksProcess(const MicrosocksProcess&) = delete;
  MicrosocksProcess& operator=(const MicrosocksProcess&) = delete;

  // The program's path in PATH or /usr/bin; "" when it is not installed.
  static std::string ProgramPath();

  bool Running() const { return FPid > 0 && FPort > 0; }
  int Port() const { return FPort; }
  // Why it is not running ("" when it is).
  const std::string& Problem() const { return FProblem; }

 private:
  pid_t FPid = -1;
  int FPort = 0;
  std::string FProblem;
};

}  // namespace qp::test
