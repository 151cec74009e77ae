// Helpers shared by the benchmark programs: a wall clock and the RESULT line.
#pragma once

#include <chrono>
#include <cstdio>

namespace qp::bench {

class Stopwatch {
 public:
  Stopwatch() : FStart(std::chrono::steady_clock::now()) {}
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
  }

 private:
  std::chrono::steady_clock::time_point FStart;
};

// Prints the closing line every benchmark ends with; ratio and target are "higher is better".
inline void PrintResult(const char* name, double value, const char* unit, double ratio,
                        double target) {
  std::printf("RESULT %s %.2f %s ratio=%.3f target=%.3f\n", name, value, unit, ratio, target);
}

}  // namespace qp::bench
