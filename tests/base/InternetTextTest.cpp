#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/DateTime.h"
#include "base/Exception.h"
#include "base/InternetText.h"
#include "support/ScopedEnv.h"

namespace qp {
namespace {

using test::ScopedEnv;

// POSIX TZ strings count west of UTC as positive, so "QPT-2" is UTC+02:00.
constexpr const char* kUtcPlus1 = "QPT-1";
constexpr const char* kUtcPlus2 = "QPT-2";
constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

long long Minutes(TDateTime offset) {
  return std::llround(offset * 24 * 60);
}

TEST(CutToken, CutsAtFirstDelimiter) {
  struct Row {
    const char* name;
    std::string source, delimiter;
    bool remove;
    std::string token, rest;
  };
  const Row rows[] = {
      {"reply code", "211 5 1 9 alt.test", " ", true, "211", "5 1 9 alt.test"},
      {"empty source", "", " ", true, "", ""},
      {"no delimiter", "abc", " ", true, "abc", ""},
      {"delimiter first", " abc", " ", true, "", "abc"},
      {"long delimiter", "a::b::c", "::", true, "a", "b::c"},
      {"keep source", "211 5 1", " ", false, "211", "211 5 1"},
      {"keep source, no delimiter", "abc", " ", false, "abc", "abc"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::string s = r.source;
    EXPECT_EQ(CutToken(s, r.delimiter, r.remove), r.token);
    EXPECT_EQ(s, r.rest);
  }
}

TEST(TextToCardinal, KeepsLow32BitsOfLenientNumber) {
  struct Row {
    const char* name;
    const char* text;
    uint32_t value;
  };
  const Row rows[] = {
      {"blanks around", " \t42\r\n", 42},
      {"not a number", "abc", 0},
      {"empty", "", 0},
      {"minus one wraps", "-1", 4294967295u},
      {"2^32 wraps to 0", "4294967296", 0},
      {"above 32 bits", "4294967297", 1},
      {"largest", "4294967295", 4294967295u},
      {"trailing junk", "12x", 0},
      {"beyond 64 bits", "99999999999999999999", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(TextToCardinal(r.text), r.value);
  }
}

TEST(TextToUInt64, ReadsArticleNumbersWithoutWrapping) {
  struct Row {
    const char* name;
    const char* text;
    uint64_t value;
    bool outOfRange;
  };
  const Row rows[] = {
      {"blanks around", " \t42\r\n", 42, false},
      {"above 32 bits", "4294967297", 4294967297u, false},
      {"largest", "18446744073709551615", 18446744073709551615u, false},
      {"plus sign", "+7", 7, false},
      {"minus zero", "-0", 0, false},
      {"not a number", "abc", 0, false},
      {"empty", "", 0, false},
      {"lone sign", "-", 0, false},
      {"trailing junk", "12x", 0, false},
      {"hexadecimal is no article number", "$10", 0, false},
      {"one beyond 64 bits", "18446744073709551616", 0, true},
      {"far beyond 64 bits", "99999999999999999999999", 0, true},
      {"negative", "-1", 0, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(TextToUInt64Def(r.text), r.value);
    if (r.outOfRange) {
      EXPECT_THROW(TextToUInt64(r.text), EConvertError);
    } else {
      EXPECT_EQ(TextToUInt64(r.text), r.value);
    }
  }
  try {
    TextToUInt64(" 18446744073709551616 ");
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'18446744073709551616' is not a number from 0 to 18446744073709551615");
  }
}

TEST(NameTables, ParseExactThreeLetterNamesOnly) {
  EXPECT_EQ(DayNameToNumber("sun"), 1);
  EXPECT_EQ(DayNameToNumber("Sat"), 7);
  EXPECT_EQ(DayNameToNumber("SUNDAY"), 0);
  EXPECT_EQ(DayNameToNumber("SU"), 0);
  EXPECT_EQ(MonthNameToNumber("jan"), 1);
  EXPECT_EQ(MonthNameToNumber("DEC"), 12);
  EXPECT_EQ(MonthNameToNumber("Sept"), 0);
  EXPECT_EQ(MonthNameToNumber(""), 0);
  EXPECT_STREQ(FormatDayNames[DayOfWeek(EncodeDate(2003, 1, 5))], "Sun");
  EXPECT_STREQ(FormatMonthNames[12], "Dec");
}

TEST(ParseInternetDate, ReadsDateAndTimeAndLeavesZone) {
  struct Row {
    const char* name;
    std::string text;
    std::string iso;  // 1899-12-30T00:00:00 is the value 0
    std::string rest;
  };
  const Row rows[] = {
      {"RFC 822", "Sun, 05 Jan 2003 14:03:07 +0100", "2003-01-05T14:03:07", "+0100"},
      {"dashed RFC 850", "Mon, 06-Jan-03 10:00:00 GMT", "2003-01-06T10:00:00", "GMT"},
      {"long day name", "Monday, 06-Jan-03 10:00:00 GMT", "2003-01-06T10:00:00", "GMT"},
      {"negative zone is no separator", "06 Jan 2003 10:00:00 -0500", "2003-01-06T10:00:00",
       "-0500"},
      {"comment zone", "Sun, 05 Jan 2003 14:03:07 (CET)", "2003-01-05T14:03:07", "(CET)"},
      {"no space: space separator", "5-Jan-03", "1899-12-30T00:00:00", ""},
      {"hour and minute only", "05 Jan 99 1:02", "1999-01-05T01:02:00", ""},
      {"no time", " Tue, 1 feb 2005 ", "2005-02-01T00:00:00", ""},
      {"impossible date", "31 Feb 2003", "1899-12-30T00:00:00", ""},
      {"impossible time", "05 Jan 2003 24:00:00 GMT", "1899-12-30T00:00:00", "GMT"},
      {"year 79", "05 Jan 79", "2079-01-05T00:00:00", ""},
      {"year 80", "05 Jan 80", "1980-01-05T00:00:00", ""},
      {"year 99", "05 Jan 99", "1999-01-05T00:00:00", ""},
      {"year 100", "05 Jan 100", "0100-01-05T00:00:00", ""},
      {"day not a number", "xx Jan 2003", "2003-01-01T00:00:00", ""},
      {"no month", "05 2003", "1899-12-30T00:00:00", ""},
      {"empty", "   ", "1899-12-30T00:00:00", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::string source = r.text;
    EXPECT_EQ(DateTimeToIso(ParseInternetDate(source)), r.iso);
    EXPECT_EQ(source, r.rest);
  }
}

TEST(ZoneOffsetFromText, ReadsNumericZonesOnly) {
  struct Row {
    const char* name;
    const char* text;
    long long minutes;
  };
  const Row rows[] = {
      {"east", "+0100", 60},   {"west", "-0500", -300},     {"half hour", " +0530 x", 330},
      {"name", "GMT", 0},      {"comment", "(CET)", 0},     {"too short", "+01", 0},
      {"hour 24", "+2400", 0}, {"minute 60", "+0160", 0},   {"letters", "+01ab", 0},
      {"empty", "", 0},        {"nested sign", "+-100", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(Minutes(ZoneOffsetFromText(r.text)), r.minutes);
  }
}

TEST(LocalUtcOffset, FollowsZoneAndDaylightSaving) {
  {
    ScopedEnv tz("TZ", kUtcPlus2);
    EXPECT_EQ(Minutes(LocalUtcOffset()), 120);
  }
  ScopedEnv tz("TZ", kCentralEurope);
  EXPECT_EQ(Minutes(LocalUtcOffset(DateTimeToUnix(EncodeDate(2003, 1, 15)))), 60);
  EXPECT_EQ(Minutes(LocalUtcOffset(DateTimeToUnix(EncodeDate(2003, 7, 15)))), 120);
}

TEST(LocalUtcOffset, MomentBeyondTimeZoneDataRaises) {
  try {
    LocalUtcOffset(std::numeric_limits<std::time_t>::max());
    FAIL() << "no exception";
  } catch (const EFailedToRetreiveTimeZoneInfo& e) {
    EXPECT_EQ(e.Message(), "Failed attempting to retrieve time zone information.");
  }
}

// The text's zone is taken off and the local offset in force at that moment put on. Central
// Europe leaves winter time at 01:00 UTC on the last Sunday of March (2023-03-26): dates on
// either side of such a change get their own offset, whatever the date today.
TEST(InternetDateToLocal, ShiftsFromTextZoneToLocalZone) {
  struct Row {
    const char* name;
    const char* tz;
    const char* text;
    const char* iso;
  };
  const Row rows[] = {
      {"numeric zone", kUtcPlus2, "Sun, 05 Jan 2003 14:03:07 +0100", "2003-01-05T15:03:07"},
      {"GMT", kUtcPlus2, "Sun, 05 Jan 2003 14:03:07 GMT", "2003-01-05T16:03:07"},
      {"comment taken as UTC", kUtcPlus2, "Sun, 05 Jan 2003 14:03:07 (CET)", "2003-01-05T16:03:07"},
      {"west, across midnight", kUtcPlus2, "Sun, 05 Jan 2003 23:30:00 -0100",
       "2003-01-06T02:30:00"},
      {"no zone", kUtcPlus2, "05 Jan 2003 14:03:07", "2003-01-05T16:03:07"},
      {"garbage", kUtcPlus2, "not a date", "1899-12-30T02:00:00"},
      {"half an hour before the change", kCentralEurope, "Sun, 26 Mar 2023 00:30:00 +0000",
       "2023-03-26T01:30:00"},
      {"half an hour after the change", kCentralEurope, "Sun, 26 Mar 2023 01:30:00 +0000",
       "2023-03-26T03:30:00"},
      {"winter", kCentralEurope, "Tue, 10 Jan 2023 12:00:00 GMT", "2023-01-10T13:00:00"},
      {"summer", kCentralEurope, "Mon, 10 Jul 2023 12:00:00 GMT", "2023-07-10T14:00:00"},
      {"summer, zone given", kCentralEurope, "Mon, 10 Jul 2023 12:00:00 -0500",
       "2023-07-10T19:00:00"},
      {"back to winter time", kCentralEurope, "Sun, 29 Oct 2023 01:30:00 +0000",
       "2023-10-29T02:30:00"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ScopedEnv tz("TZ", r.tz);
    EXPECT_EQ(DateTimeToIso(InternetDateToLocal(r.text)), r.iso);
  }
}

TEST(LocalDateToInternet, LabelsWithTheOffsetInForceAtThatDate) {
  ScopedEnv tz("TZ", kCentralEurope);
  const TDateTime winter = EncodeDate(2023, 1, 10) + EncodeTime(13, 0, 0, 0);
  const TDateTime summer = EncodeDate(2023, 7, 10) + EncodeTime(14, 0, 0, 0);
  EXPECT_EQ(LocalDateToInternet(winter, false), "Tue, 10 Jan 2023 13:00:00 +0100");
  EXPECT_EQ(LocalDateToInternet(summer, false), "Mon, 10 Jul 2023 14:00:00 +0200");
  for (const TDateTime moment : {winter, summer}) {
    EXPECT_EQ(DateTimeToIso(InternetDateToLocal(LocalDateToInternet(moment, false))),
              DateTimeToIso(moment));
  }
}

TEST(ZoneOffsetText, SignHoursMinutes) {
  struct Row {
    const char* name;
    TDateTime offset;
    bool gmtWhenZero;
    const char* text;
  };
  const Row rows[] = {
      {"zero as GMT", 0, true, "GMT"},
      {"zero numeric", 0, false, "+0000"},
      {"east", 1.0 / 24, true, "+0100"},
      {"west", -5.0 / 24, false, "-0500"},
      {"half hour east", 5.5 / 24, false, "+0530"},
      {"half hour west", -3.5 / 24, false, "-0330"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ZoneOffsetText(r.offset, r.gmtWhenZero), r.text);
  }
}

TEST(LocalDateToInternet, FormatsWithLocalOffset) {
  const TDateTime moment = EncodeDate(2003, 1, 5) + EncodeTime(14, 3, 7, 0);
  {
    ScopedEnv tz("TZ", kUtcPlus1);
    EXPECT_EQ(LocalDateToInternet(moment, true), "Sun, 5 Jan 2003 14:03:07 +0100");
    EXPECT_EQ(LocalDateToInternet(EncodeDate(2003, 3, 1) + EncodeTime(1, 2, 3, 0), false),
              "Sat, 1 Mar 2003 01:02:03 +0100");
    // What is written is read back as the same local moment.
    EXPECT_EQ(DateTimeToIso(InternetDateToLocal(LocalDateToInternet(moment, false))),
              DateTimeToIso(moment));
  }
  ScopedEnv tz("TZ", "UTC0");
  EXPECT_EQ(LocalDateToInternet(moment, true), "Sun, 5 Jan 2003 14:03:07 GMT");
  EXPECT_EQ(LocalDateToInternet(moment, false), "Sun, 5 Jan 2003 14:03:07 +0000");
}

TEST(SplitCommaList, SplitsOutsideFirstQuotedSpan) {
  struct Row {
    const char* name;
    const char* text;
    std::vector<std::string> items;
  };
  const Row rows[] = {
      {"quoted comma kept", "a, \"b, c\", d", {"a", "\"b, c\"", "d"}},
      {"empty items dropped", "a,,b", {"a", "b"}},
      {"only separators", " , ,", {}},
      {"empty text", "", {}},
      {"quoted display name", "\"Doe, J\" <j@x>, k@y", {"\"Doe, J\" <j@x>", "k@y"}},
      {"second quoted span splits", "a \"b\" \"c,d\"", {"a \"b\" \"c", "d\""}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TStringList list{"stale"};
    SplitCommaList(list, r.text);
    EXPECT_EQ(list.Lines(), r.items);
  }
}

}  // namespace
}  // namespace qp
