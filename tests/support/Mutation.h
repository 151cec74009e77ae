// Random mutation of test inputs for the "garbage must not crash" suites: small, seeded
// changes to a valid input keep most of its structure, so the readers get deep.
#pragma once

#include <random>
#include <span>
#include <string>

namespace qp::test {

// Applies one to four random changes to text: a byte replaced, one of splices inserted as a
// CR LF line, up to 63 bytes erased, up to 199 bytes of the text copied elsewhere, or the
// rest cut off. Deterministic for a given rng state.
inline std::string MutateText(std::string text, std::mt19937& rng,
                              std::span<const char* const> splices) {
  auto pick = [&rng](std::size_t n) {
    return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
  };
  const int steps = 1 + static_cast<int>(pick(4));
  for (int s = 0; s < steps; ++s) {
    const std::size_t at = pick(text.size() + 1);
    switch (pick(5)) {
      case 0:
        if (!text.empty()) text[pick(text.size())] = static_cast<char>(pick(256));
        break;
      case 1:
        text.insert(at, std::string(splices[pick(splices.size())]) + "\r\n");
        break;
      case 2:
        text.erase(at, pick(64));
        break;
      case 3:
        text.insert(at, text.substr(pick(text.size() + 1), pick(200)));
        break;
      default:
        text.resize(at);
        break;
    }
  }
  return text;
}

}  // namespace qp::test
