// Text helpers over 8-bit strings: the runtime-library functions the protocol code leans on.
// Character positions in the protocol code count from 1; these helpers use 0-based
// std::string positions unless the name says otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qp {

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Trimming removes blanks and control characters (every byte <= 0x20).
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// ASCII-only case mapping and comparison.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);
bool StartsText(std::string_view prefix, std::string_view s);

// 1-based position of the first occurrence of sub in s at or after position from, 0 when absent.
std::size_t Pos(std::string_view sub, std::string_view s, std::size_t from = 1);

// Strict decimal conversion: optional blanks, optional sign, digits (or $hex). Throws
// EConvertError "'%s' is not a valid integer value" when the text is no number or overflows.
int64_t StrToInt64(std::string_view s);
int StrToInt(std::string_view s);
bool TryStrToInt64(std::string_view s, int64_t& value);
int StrToIntDef(std::string_view s, int fallback);
std::string IntToStr(int64_t value);

// The value of a hexadecimal digit of either case, -1 for any other byte.
int HexDigitValue(char c);

// Replaces every occurrence of from (non-empty) by to.
std::string StringReplaceAll(std::string_view s, std::string_view from, std::string_view to);

}  // namespace qp
