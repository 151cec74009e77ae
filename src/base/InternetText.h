// Free helpers that the protocol code uses to take server replies, header values and dates
// apart: the token cutter, lenient numbers, RFC 822-style dates (RFC 5322 section 3.3) and
// their formatting, and the quote-aware comma splitter. Stateless and safe on any thread,
// except that the time-zone functions read the process-wide TZ setting.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "base/DateTime.h"
#include "base/Exception.h"
#include "base/StringList.h"

namespace qp {

// The platform reported no time-zone information for the moment asked about.
class EFailedToRetreiveTimeZoneInfo : public ENetException {
 public:
  explicit EFailedToRetreiveTimeZoneInfo(
      std::string message = "Failed attempting to retrieve time zone information.")
      : ENetException(std::move(message)) {}
};

// English names for formatting dates, independent of the user's locale. Index 1..7 of the
// day names is Sunday..Saturday (as DayOfWeek counts); index 1..12 of the month names is
// January..December; index 0 of both is empty.
extern const char* const FormatDayNames[8];
extern const char* const FormatMonthNames[13];

// Cuts the text before the first occurrence of delimiter (which may be longer than one byte)
// and returns it. With remove, the token and the delimiter are deleted from source; when the
// delimiter does not occur, the whole source is the token and source becomes empty.
std::string CutToken(std::string& source, const std::string& delimiter = " ", bool remove = true);

// Reads trimmed text as a signed 64-bit decimal number (0 when it is none) and keeps its low
// 32 bits, so "-1" gives 4294967295. Never throws.
uint32_t TextToCardinal(std::string_view text);

// Reads trimmed text as an unsigned decimal number of up to 64 bits: the article numbers of
// large servers run past 32 bits. Text that is no decimal number (empty, letters, trailing
// junk) gives 0, as TextToCardinal does. A number it cannot hold (above
// 18446744073709551615, or below 0) is not wrapped: it throws EConvertError.
uint64_t TextToUInt64(std::string_view text);
// The same, giving 0 instead of throwing: for parsers that never raise.
uint64_t TextToUInt64Def(std::string_view text);

// "SUN".."SAT" -> 1..7 and "JAN".."DEC" -> 1..12, ignoring ASCII case; 0 when the text is not
// exactly one of the three-letter names.
int DayNameToNumber(std::string_view text);
int MonthNameToNumber(std::string_view text);

// Parses the date and time at the start of an RFC 822-style date text such as
// "Sun, 05 Jan 2003 14:03:07 +0100" or "Mon, 06-Jan-03 10:00:00 GMT". source is trimmed and
// consumed up to the zone part, which is left in it. Returns 0 for an empty text or an
// impossible date or time (source then stays as far as it had been consumed). Never throws.
TDateTime ParseInternetDate(std::string& source);

// The offset of a numeric zone "+hhmm" / "-hhmm" as a fraction of a day, positive east of UTC.
// A zone name ("GMT", "EST"), a comment or anything malformed gives 0. Never throws.
TDateTime ZoneOffsetFromText(std::string_view text);

// The offset of local time from UTC, daylight saving included, at the given moment (for the
// overload without an argument: now), in whole minutes, as a fraction of a day. Throws
// EFailedToRetreiveTimeZoneInfo when the platform has no time-zone information for it.
TDateTime LocalUtcOffset();
TDateTime LocalUtcOffset(std::time_t moment);

// Converts an RFC 822-style date text to local time: the text's numeric zone is removed and
// the local offset in force at that moment (daylight saving included) applied. A zone given
// by name is taken as UTC; text that does not parse gives 0 shifted by the offsets. Throws
// only EFailedToRetreiveTimeZoneInfo.
TDateTime InternetDateToLocal(std::string_view text);

// "+hhmm" / "-hhmm" for an offset, or "GMT" for exactly 0 when gmtWhenZero is set.
std::string ZoneOffsetText(TDateTime offset, bool gmtWhenZero);

// "Sun, 5 Jan 2003 14:03:07 +0100": the local date-time as it stands, labelled with the
// local offset in force at that date-time. Throws EFailedToRetreiveTimeZoneInfo.
std::string LocalDateToInternet(TDateTime dateTime, bool gmtWhenZero);

// Replaces the list's lines by the trimmed, non-empty comma-separated items of text. A comma
// inside the first double-quoted span of an item does not end it; the quotes stay. This is
// how the Newsgroups header and quoted display names are split.
void SplitCommaList(TStringList& list, std::string_view text);

}  // namespace qp
