// Small encoders that build test articles: base64, uuencode and xxencode data lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qp::test {

std::string Base64Lines(const std::string& bytes, std::size_t lineChars = 76);
// "begin" block data lines (without the begin and end lines), 45 bytes a line.
std::string UuLines(const std::string& bytes);
std::string XxLines(const std::string& bytes);
// Bytes 0..255 repeated up to count.
std::string BinaryPattern(std::size_t count);
// Lines joined with CR LF, each line ended by CR LF.
std::string Crlf(const std::vector<std::string>& lines);

}  // namespace qp::test
