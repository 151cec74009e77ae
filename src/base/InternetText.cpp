#include "base/InternetText.h"

#include <cmath>
#include <ctime>

#include "base/SysUtils.h"

namespace qp {

const char* const FormatDayNames[8] = {"", "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const FormatMonthNames[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

namespace {

const char* const kParseDayNames[7] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
const char* const kParseMonthNames[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

template <std::size_t N>
int IndexOfName(const char* const (&names)[N], std::string_view text) {
  if (text.size() != 3) return 0;
  for (std::size_t i = 0; i < N; ++i)
    if (SameText(text, names[i])) return static_cast<int>(i) + 1;
  return 0;
}

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

void TrimLeftView(std::string_view& s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
}

std::string_view TrimView(std::string_view s) {
  TrimLeftView(s);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// CutToken on a view: the text before the first delimiter, which is removed from source
// together with the delimiter; all of source when there is none.
std::string_view CutView(std::string_view& source, std::string_view delimiter) {
  const std::size_t p = source.find(delimiter);
  const std::string_view token = source.substr(0, p);
  source = p == std::string_view::npos ? std::string_view() : source.substr(p + delimiter.size());
  return token;
}

// The date parser proper, on a view of the text; source is left at the zone part (or as far
// as it got when the date or time is impossible). It runs once per overview line.
TDateTime ParseInternetDateView(std::string_view& source) {
  source = TrimView(source);
  if (source.empty()) return 0;

  // The day name of RFC 5322 is optional; its token includes the comma that follows it.
  if (DayNameToNumber(source.substr(0, 3)) > 0) {
    CutView(source, " ");
    TrimLeftView(source);
  }

  // "06-Jan-03" (the RFC 850 form still seen in HTTP dates) separates the date with "-";
  // a "-" that first appears after a space belongs to the time zone, not to the date.
  const std::size_t dash = Pos("-", source);
  const std::string_view separator = (dash > 1 && dash < Pos(" ", source)) ? "-" : " ";

  const int day = StrToIntDef(CutView(source, separator), 1);
  TrimLeftView(source);
  const int month = MonthNameToNumber(CutView(source, separator));
  TrimLeftView(source);
  int year = static_cast<uint16_t>(StrToIntDef(CutView(source, " "), 1900));
  // Two-digit years: 00..79 are this century, 80..99 the last one.
  if (year < 80)
    year += 2000;
  else if (year < 100)
    year += 1900;

  TDateTime result = 0;
  if (!TryEncodeDate(year, month, day, result)) return 0;

  if (source.find(':') != std::string_view::npos) {
    std::string_view time = CutView(source, " ");
    const int hour = StrToIntDef(CutView(time, ":"), 0);
    const int minute = StrToIntDef(CutView(time, ":"), 0);
    const int second = StrToIntDef(CutView(time, " "), 0);
    TDateTime timeOfDay = 0;
    if (!TryEncodeTime(hour, minute, second, 0, timeOfDay)) return 0;
    result += timeOfDay;
  }
  TrimLeftView(source);
  return result;
}

}  // namespace

std::string CutToken(std::string& source, const std::string& delimiter, bool remove) {
  const std::size_t p = delimiter.empty() ? std::string::npos : source.find(delimiter);
  if (p == std::string::npos) {
    std::string token = source;
    if (remove) source.clear();
    return token;
  }
  std::string token = source.substr(0, p);
  if (remove) source.erase(0, p + delimiter.size());
  return token;
}

uint32_t TextToCardinal(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  int64_t value = 0;
  if (!TryStrToInt64(text, value)) return 0;
  return static_cast<uint32_t>(static_cast<uint64_t>(value));
}

namespace {

enum class TNumberText { Number, NotANumber, OutOfRange };

TNumberText ReadUInt64(std::string_view text, uint64_t& value) {
  value = 0;
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return TNumberText::NotANumber;
  bool overflow = false;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      value = 0;
      return TNumberText::NotANumber;
    }
    overflow = overflow || __builtin_mul_overflow(value, 10u, &value) ||
               __builtin_add_overflow(value, static_cast<unsigned>(c - '0'), &value);
  }
  if (overflow || (negative && value != 0)) {
    value = 0;
    return TNumberText::OutOfRange;
  }
  return TNumberText::Number;
}

}  // namespace

uint64_t TextToUInt64(std::string_view text) {
  uint64_t value = 0;
  if (ReadUInt64(text, value) == TNumberText::OutOfRange) {
    const std::string shown = Trim(text);
    throw EConvertError(
        Format("'%s' is not a number from 0 to 18446744073709551615", shown.c_str()));
  }
  return value;
}

uint64_t TextToUInt64Def(std::string_view text) {
  uint64_t value = 0;
  ReadUInt64(text, value);
  return value;
}

int DayNameToNumber(std::string_view text) {
  return IndexOfName(kParseDayNames, text);
}

int MonthNameToNumber(std::string_view text) {
  return IndexOfName(kParseMonthNames, text);
}

TDateTime ParseInternetDate(std::string& source) {
  std::string_view rest(source);
  const TDateTime result = ParseInternetDateView(rest);
  source = std::string(rest);
  return result;
}

TDateTime ZoneOffsetFromText(std::string_view text) {
  const std::string zone = Trim(text).substr(0, 5);
  if (zone.empty() || (zone[0] != '+' && zone[0] != '-')) return 0;
  int64_t hours = 0, minutes = 0;
  if (!TryStrToInt64(zone.substr(1, 2), hours) || !TryStrToInt64(zone.substr(3, 2), minutes))
    return 0;
  TDateTime offset = 0;
  if (hours < 0 || minutes < 0 ||
      !TryEncodeTime(static_cast<int>(hours), static_cast<int>(minutes), 0, 0, offset))
    return 0;
  return zone[0] == '-' ? -offset : offset;
}

TDateTime LocalUtcOffset(std::time_t moment) {
  std::tm local{};
  if (localtime_r(&moment, &local) == nullptr || local.tm_isdst < 0)
    throw EFailedToRetreiveTimeZoneInfo();
  // Whole minutes: historic local mean times carry odd seconds that no zone text can express.
  const long minutes = local.tm_gmtoff / 60;
  return static_cast<double>(minutes) / (24.0 * 60.0);
}

TDateTime LocalUtcOffset() {
  const std::time_t now = std::time(nullptr);
  if (now == static_cast<std::time_t>(-1)) throw EFailedToRetreiveTimeZoneInfo();
  return LocalUtcOffset(now);
}

TDateTime InternetDateToLocal(std::string_view text) {
  std::string_view rest = text;
  const TDateTime date = ParseInternetDateView(rest);
  const TDateTime zone = rest.size() >= 5 ? ZoneOffsetFromText(rest) : 0;
  const TDateTime utc = date - zone;
  // The offset in force at that moment, not today's: a summer date read in winter is an hour
  // later than winter time would make it.
  return utc + LocalUtcOffset(static_cast<std::time_t>(DateTimeToUnix(utc)));
}

namespace {

// The offset in force at a local date-time: the one the C library's mktime chooses for it
// (in the hour a clock is set back, the first of the two).
TDateTime LocalUtcOffsetAtLocal(TDateTime local) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
  DecodeDate(local, year, month, day);
  DecodeTime(local, hour, minute, second, msec);
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  const std::time_t moment = std::mktime(&tm);
  if (moment == static_cast<std::time_t>(-1)) return LocalUtcOffset();
  return LocalUtcOffset(moment);
}

}  // namespace

std::string ZoneOffsetText(TDateTime offset, bool gmtWhenZero) {
  if (offset == 0 && gmtWhenZero) return "GMT";
  int hour = 0, minute = 0, second = 0, msec = 0;
  DecodeTime(std::fabs(offset), hour, minute, second, msec);
  return Format("%c%02d%02d", offset >= 0 ? '+' : '-', hour, minute);
}

std::string LocalDateToInternet(TDateTime dateTime, bool gmtWhenZero) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
  DecodeDate(dateTime, year, month, day);
  DecodeTime(dateTime, hour, minute, second, msec);
  const std::string time = Format("%02d:%02d:%02d", hour, minute, second);
  const std::string zone = ZoneOffsetText(LocalUtcOffsetAtLocal(dateTime), gmtWhenZero);
  return Format("%s, %d %s %d %s %s", FormatDayNames[DayOfWeek(dateTime)], day,
                FormatMonthNames[month], year, time.c_str(), zone.c_str());
}

void SplitCommaList(TStringList& list, std::string_view text) {
  list.Clear();
  std::string item;
  int quotes = 0;
  const auto flush = [&] {
    std::string trimmed = Trim(item);
    if (!trimmed.empty()) list.Add(std::move(trimmed));
    item.clear();
    quotes = 0;
  };
  for (const char c : text) {
    if (c == '"') ++quotes;
    // Only the first quoted span of an item protects its commas, as in a quoted display
    // name of RFC 5322 ("Doe, John" <john@example.com>).
    if (c == ',' && quotes != 1)
      flush();
    else
      item += c;
  }
  flush();
}

}  // namespace qp
