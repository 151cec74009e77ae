// TDateTime: days since 1899-12-30 00:00 as a double; the fraction is the time of day.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace qp {

using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;

// Date of a proleptic Gregorian year/month/day; throws EConvertError for an impossible date.
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
// Time of day as a fraction; throws EConvertError for an impossible time.
TDateTime EncodeTime(int hour, int minute, int second, int msec);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);

void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value);
bool IsLeapYear(int year);

// Converts between TDateTime and seconds since the Unix epoch (no time-zone shift).
TDateTime UnixToDateTime(int64_t seconds);
int64_t DateTimeToUnix(TDateTime value);

// The current local date and time.
TDateTime Now();

// "YYYY-MM-DDTHH:MM:SS" of the value as it stands (no zone).
std::string DateTimeToIso(TDateTime value);

}  // namespace qp
