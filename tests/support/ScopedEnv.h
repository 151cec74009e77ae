// An environment variable set for one test and restored afterwards.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace qp::test {

// Sets the variable (unsets it for nullptr) and re-reads the time zone; the destructor puts
// the previous value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : FName(name) {
    if (const char* old = std::getenv(name)) FOld = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
    tzset();
  }
  ~ScopedEnv() {
    if (FOld)
      setenv(FName.c_str(), FOld->c_str(), 1);
    else
      unsetenv(FName.c_str());
    tzset();
  }

 private:
  std::string FName;
  std::optional<std::string> FOld;
};

}  // namespace qp::test
