// Decoding of encoded words in header values (RFC 2047) and the ISO-2022-JP conversion
// they need. Pure functions over bytes; usable from any thread.
#pragma once

#include <string>

namespace qp::message {

// Replaces every encoded word "=?charset?enc?text?=" whose character set name begins with
// "ISO" (any case) by its decoded bytes; words in other character sets, and malformed
// words, stay as they are. "Q" words decode "_" to a blank and "=XY" to the byte XY; every
// other encoding letter is read as base64 with characters outside the alphabet counting as
// 0. ISO-2022-JP words come back in Shift_JIS. Blanks between words are kept, and NUL bytes
// are removed from the result (pad characters decode to them).
// Throws EConvertError "'$XY' is not a valid integer value" for a "Q" word with "=" and two
// characters XY that are not a hexadecimal number.
std::string DecodeHeaderWords(const std::string& text);

// Converts ISO-2022-JP text to Shift_JIS: ESC "$B" enters JIS X 0208 two-byte mode, ESC "(B"
// leaves it, other escape sequences are consumed without effect. A lone byte left at the end
// of two-byte mode is dropped.
std::string JisToShiftJis(const std::string& bytes);

}  // namespace qp::message
