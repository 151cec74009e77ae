#include "base/LineSource.h"

#include "base/Exception.h"

namespace qp {

void TLineSource::Capture(const TLineSink& sink, const std::string& terminator, bool unstuff) {
  while (true) {
    std::string line = ReadLn();
    if (line == terminator) return;
    if (unstuff && line.size() >= 2 && line[0] == '.' && line[1] == '.') line.erase(0, 1);
    sink(line);
  }
}

void TLineSource::Capture(TStringList& target, const std::string& terminator, bool unstuff) {
  Capture([&target](std::string& line) { target.Add(std::move(line)); }, terminator, unstuff);
}

std::string TStringLineSource::ReadLn() {
  const std::size_t lf = FData.find('\n', FPos);
  if (lf == std::string::npos) {
    FPos = FData.size();
    throw EConnClosedGracefully();
  }
  std::string line = FData.substr(FPos, lf - FPos);
  FPos = lf + 1;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  ++FLinesRead;
  return line;
}

}  // namespace qp
