// Text in a named character set turned into UTF-8 for display, on the C library's iconv.
// The core keeps the bytes it receives; these functions make the copy a person reads. Pure
// functions; each thread keeps its own converters, so any thread may call them.
#pragma once

#include <string>
#include <string_view>

namespace qp {

// True when text is well-formed UTF-8 (RFC 3629: no overlong forms, no surrogates, nothing
// beyond U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Windows-1252 to UTF-8. Every byte gives a character: the five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) give the control characters of the same number.
std::string Windows1252ToUtf8(std::string_view bytes);

// True when charset names a character set this machine can convert from: its iconv knows the
// name (in any letter case, aliases included). An RFC 2231 language suffix ("utf-8*en") and
// surrounding quotes are ignored; a name with characters no charset name has is unknown.
bool IsKnownCharset(std::string_view charset);

// bytes, declared to be in charset, as UTF-8. Text without a charset, in one this machine does
// not know, or with bytes that are invalid in the declared charset is read line by line: a
// line that is valid UTF-8 stays as it is, any other line is read as windows-1252. So 8-bit
// text always comes out as characters, never as replacement marks. ISO-8859-1 (and its
// aliases) is read as windows-1252, its superset, as browsers do: the bytes 0x80 to 0x9F
// that senders label ISO-8859-1 are windows-1252 punctuation, not control characters.
std::string ToUtf8(std::string_view bytes, std::string_view charset = {});
// The same, appended to out.
void AppendUtf8Text(std::string& out, std::string_view bytes, std::string_view charset = {});

}  // namespace qp
