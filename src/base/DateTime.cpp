#include "base/DateTime.h"

#include <chrono>
#include <cmath>

#include "base/Exception.h"
#include "base/SysUtils.h"

namespace qp {

namespace {

constexpr int kDaysTo1899_12_30 = 693594;  // days from 0001-01-01 to 1899-12-30

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Splits a TDateTime into whole days and milliseconds of the day, rounding to the
// nearest millisecond so that values built from whole seconds decode exactly.
void SplitValue(TDateTime value, int64_t& days, int64_t& msecs) {
  const auto total = static_cast<int64_t>(std::llround(value * MSecsPerDay));
  days = total / 86400000;
  msecs = total % 86400000;
  if (msecs < 0) {
    msecs += 86400000;
    --days;
  }
}

}  // namespace

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return false;
  int64_t days = day;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  const int64_t y = year - 1;
  days += y * 365 + y / 4 - y / 100 + y / 400;
  result = static_cast<double>(days - kDaysTo1899_12_30);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime r = 0;
  if (!TryEncodeDate(year, month, day, r)) throw EConvertError("Invalid argument to date encode");
  return r;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
      msec > 999)
    return false;
  result = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  TDateTime r = 0;
  if (!TryEncodeTime(hour, minute, second, msec, r))
    throw EConvertError("Invalid argument to time encode");
  return r;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  int64_t days = 0, msecs = 0;
  SplitValue(value, days, msecs);
  // Civil-from-days on the proleptic Gregorian calendar (days since 1970-01-01).
  int64_t z = days - 25569 + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
  int64_t days = 0, msecs = 0;
  SplitValue(value, days, msecs);
  hour = static_cast<int>(msecs / 3600000);
  minute = static_cast<int>(msecs / 60000 % 60);
  second = static_cast<int>(msecs / 1000 % 60);
  msec = static_cast<int>(msecs % 1000);
}

int DayOfWeek(TDateTime value) {
  int64_t days = 0, msecs = 0;
  SplitValue(value, days, msecs);
  // 1899-12-30 was a Saturday (7).
  return static_cast<int>(((days + 6) % 7 + 7) % 7) + 1;
}

TDateTime UnixToDateTime(int64_t seconds) {
  return 25569.0 + static_cast<double>(seconds) / 86400.0;
}

int64_t DateTimeToUnix(TDateTime value) {
  return std::llround((value - 25569.0) * 86400.0);
}

TDateTime Now() {
  const auto now = std::chrono::system_clock::now();
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  const std::time_t secs = static_cast<std::time_t>(ms / 1000);
  std::tm local{};
  localtime_r(&secs, &local);
  return UnixToDateTime(static_cast<int64_t>(secs) + local.tm_gmtoff) +
         static_cast<double>(ms % 1000) / MSecsPerDay;
}

std::string DateTimeToIso(TDateTime value) {
  int y, mo, d, h, mi, s, ms;
  DecodeDate(value, y, mo, d);
  DecodeTime(value, h, mi, s, ms);
  // Written digit by digit: callers format one date per article header.
  char text[] = "0000-00-00T00:00:00";
  const auto put = [&text](int at, int digits, int value) {
    for (int i = at + digits - 1; i >= at; --i, value /= 10)
      text[i] = static_cast<char>('0' + value % 10);
  };
  put(0, 4, y < 0 ? 0 : y % 10000);
  put(5, 2, mo);
  put(8, 2, d);
  put(11, 2, h);
  put(14, 2, mi);
  put(17, 2, s);
  return text;
}

}  // namespace qp
