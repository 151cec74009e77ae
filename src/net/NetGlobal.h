// Helpers of the transport that take addresses and received bytes apart: dotted IPv4
// addresses (the socket layer's literals and the lenient test of cookie domains), host-name
// tests and the line search of the TCP connection. Stateless and safe on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qp::net {

// Where the fourth part of a dotted quad ends: at the next "." (text after it is not
// examined) or at the end of the text.
enum class TQuadEnd { AtNextDot, AtEnd };

// Reads four "."-separated decimal parts, each 0..255, into address. False, with address
// partly written, when the text is no such address. No blanks are trimmed.
bool ParseDottedQuad(std::string_view text, TQuadEnd fourthPart, uint8_t address[4]);

// True when the first four dot-separated parts of the trimmed text are numbers 0..255. Text
// after a fourth dot is not examined (this is the lenient test of cookie domains).
bool IsDottedQuad(std::string_view text);
// True when the text does not begin with "." and is not a dotted quad ("" is a host name).
bool IsHostNameText(std::string_view text);
// The text from its first "." (included); the whole text when it has none.
std::string FromFirstDot(std::string_view text);

// The 1-based position of the first occurrence of pattern in the first length bytes of block;
// 0 when there is none or pattern is empty.
std::size_t FindInMemory(std::string_view pattern, const void* block, std::size_t length);

}  // namespace qp::net
