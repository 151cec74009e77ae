// An article as a person reads it: header values with their encoded words decoded and text
// converted from its declared charset, all in UTF-8. The message model keeps the bytes as
// received; these functions make the copies that are shown. Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>

#include "base/StringList.h"
#include "message/HeaderList.h"

namespace qp::message {

class TMessage;
class TMessagePart;

// value with its encoded words (RFC 2047) decoded, as UTF-8: "Q" and "B" words in every
// charset this machine knows. Adjacent encoded words separated only by blanks join without
// them (RFC 2047 section 6.2), and adjacent words in one charset are converted together, so
// a character split across two words comes out whole. A malformed word (a "Q" word with "="
// and no two hexadecimal digits, a "B" word with characters outside the base64 alphabet,
// an unknown charset, no closing "?=") stays as it was sent. Text outside encoded words
// is converted as ToUtf8 does without a charset. Never throws for the text it is given.
std::string DecodeHeaderText(std::string_view value);
// The same, appended to out.
void AppendHeaderText(std::string& out, std::string_view value);

// True when DecodeHeaderText(value) is value itself: it holds no "=?" and is valid UTF-8, as
// most header values are. Cheaper than decoding and comparing.
bool HeaderTextAsSent(std::string_view value);

// The header lines for display, in UTF-8: one line per field, "Name: value" with the value
// unfolded (continuation lines joined as THeaderList::FieldValue joins them) and decoded by
// DecodeHeaderText. Lines that are no field stay lines of their own, converted.
TStringList HeaderLinesToUtf8(const THeaderList& headers);

// The value of the parameter name (any case) of a MIME header value such as "text/plain;
// charset=\"utf-8\"" (RFC 2045 section 5.1): a token, or a quoted string without its quotes
// and backslashes; "" when the parameter is absent.
std::string MimeParameter(std::string_view value, std::string_view name);

// The media type of a Content-Type value in lower case ("text/plain"), "" for an empty one.
std::string MediaType(std::string_view contentType);

// The charset of a text part: its own Content-Type's charset parameter, else the message's.
std::string TextCharset(const TMessagePart& part, const TMessage& message);

// lines in charset as UTF-8 lines, one for one (see ToUtf8 for unknown names and bytes that
// are invalid in the charset).
TStringList LinesToUtf8(const TStringList& lines, std::string_view charset);

}  // namespace qp::message
