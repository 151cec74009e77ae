// The comparisons of the sortable lists, without Qt: numbers, dates and text by locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <stdexcept>

#include "widgets/SortCompare.h"

namespace qp::widgets {
namespace {

int ByteOrder(const std::string& a, const std::string& b) {
  return a.compare(b) < 0 ? -1 : (a.compare(b) > 0 ? 1 : 0);
}

// Month/day/year with "/" and ":", "," thousands, "." decimals, in 2025.
TSortLocale English() {
  TSortLocale locale;
  locale.ThousandSeparator = ",";
  locale.CurrentYear = 2025;
  locale.Collate = ByteOrder;
  return locale;
}

// Day.month.year, "." thousands and "," decimals.
TSortLocale German() {
  TSortLocale locale = English();
  locale.DateSeparator = ".";
  locale.DateOrder = TDateOrder::doDMY;
  locale.ThousandSeparator = ".";
  locale.DecimalSeparator = ",";
  return locale;
}

TSortLocale Iso() {
  TSortLocale locale = English();
  locale.DateSeparator = "-";
  locale.DateOrder = TDateOrder::doYMD;
  return locale;
}

TEST(ParseSortNumber, ReadsDecimalsAndLocaleSeparators) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    const char* name;
    TSortLocale locale;
    const char* text;
    bool isNumber;
    double value;
  };
  const Row rows[] = {
      {"plain", English(), "12", true, 12},
      {"cut at the first blank", English(), "12 KB", true, 12},
      {"leading blank cuts to nothing", English(), " 12", false, 0},
      {"empty", English(), "", false, 0},
      {"sign, fraction and exponent", English(), "-3.5e2", true, -350},
      {"plus sign", English(), "+7", true, 7},
      {"thousands separator on the second try", English(), "1,234.5", true, 1234.5},
      {"trailing letters", English(), "12abc", false, 0},
      {"point without digits after it", English(), "5.", false, 0},
      {"point without digits before it", English(), ".5", false, 0},
      {"exponent without digits", English(), "1e", false, 0},
      {"infinity is no number", English(), "inf", false, 0},
      {"not a number", English(), "nan", false, 0},
      {"hexadecimal", English(), "0x1A", false, 0},
      {"None", English(), "None", false, 0},
      {"beyond a double", English(), "1e400", true, inf},
      {"below a double", English(), "1e-400", true, 0},
      {"German thousands and decimals", German(), "1.234,5", true, 1234.5},
      {"German decimal comma with a unit", German(), "12,5 KB", true, 12.5},
      {"a point reads on the first try", German(), "3.5", true, 3.5},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    double value = -1;
    ASSERT_EQ(ParseSortNumber(row.text, row.locale, value), row.isNumber);
    if (row.isNumber) {
      EXPECT_EQ(value, row.value);
    }
  }
}

TEST(ParseSortDate, ReadsTheLocalesShortDatesAndTimes) {
  struct Row {
    const char* name;
    TSortLocale locale;
    const char* text;
    bool isDate;
    int year, month, day, hour, minute, second;
  };
  const Row rows[] = {
      {"two-digit year", English(), "12/31/24", true, 2024, 12, 31, 0, 0, 0},
      {"single digits", English(), "1/2/25", true, 2025, 1, 2, 0, 0, 0},
      {"four-digit year", English(), "12/31/1999", true, 1999, 12, 31, 0, 0, 0},
      {"year 74 falls after the current one", English(), "1/1/74", true, 2074, 1, 1, 0, 0, 0},
      {"year 75 falls before it", English(), "1/1/75", true, 1975, 1, 1, 0, 0, 0},
      {"date and time", English(), "12/31/2024 10:30", true, 2024, 12, 31, 10, 30, 0},
      {"date without year and time", English(), "12/31 10:30", true, 2025, 12, 31, 10, 30, 0},
      {"time alone", English(), "10:30:15", true, 1899, 12, 30, 10, 30, 15},
      {"PM", English(), "10:30 PM", true, 1899, 12, 30, 22, 30, 0},
      {"12 AM is midnight", English(), "12:05 am", true, 1899, 12, 30, 0, 5, 0},
      {"surrounding blanks", English(), " 1/2/25 ", true, 2025, 1, 2, 0, 0, 0},
      {"German", German(), "31.12.2024", true, 2024, 12, 31, 0, 0, 0},
      {"year first", Iso(), "2024-12-31", true, 2024, 12, 31, 0, 0, 0},
      {"no such day", English(), "2/30/24", false, 0, 0, 0, 0, 0, 0},
      {"no such minute", English(), "10:75", false, 0, 0, 0, 0, 0, 0},
      {"13 PM", English(), "13:00 PM", false, 0, 0, 0, 0, 0, 0},
      {"a subject with a colon", English(), "Re: meeting", false, 0, 0, 0, 0, 0, 0},
      {"one separator is no date", English(), "12/31", false, 0, 0, 0, 0, 0, 0},
      {"a trailing separator is looked at but fails", English(), "12/", false, 0, 0, 0, 0, 0, 0},
      {"too many parts", English(), "1/2/3/4", false, 0, 0, 0, 0, 0, 0},
      {"text around a date", English(), "on 1/2/25", false, 0, 0, 0, 0, 0, 0},
      {"a number", English(), "1000", false, 0, 0, 0, 0, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TDateTime value = -1;
    ASSERT_EQ(ParseSortDate(row.text, row.locale, value), row.isDate);
    if (!row.isDate) continue;
    int year, month, day, hour, minute, second, msec;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
    EXPECT_EQ((std::vector<int>{year, month, day, hour, minute, second}),
              (std::vector<int>{row.year, row.month, row.day, row.hour, row.minute, row.second}));
  }
}

TEST(CompareSortTexts, JudgesEachPairByItself) {
  struct Row {
    const char* name;
    const char* a;
    const char* b;
    TAutoSortStyle style;
    int expected;
  };
  constexpr auto smart = TAutoSortStyle::assSmart;
  constexpr auto text = TAutoSortStyle::assDefault;
  const Row rows[] = {
      {"sizes as numbers", "999", "1000", smart, -1},
      {"sizes as text", "999", "1000", text, 1},
      {"12 KB as the number 12", "12 KB", "3 KB", smart, 1},
      {"None against a count as text", "None", "12", smart, 1},
      {"two counts as numbers", "12", "3", smart, 1},
      {"dates across a year boundary", "12/31/24", "1/1/25", smart, -1},
      {"the same dates as text", "12/31/24", "1/1/25", text, 1},
      {"times of day", "9:05", "10:00", smart, -1},
      {"a date against a text", "1/1/25", "Hello", smart, -1},
      {"a date against a number compares as text", "1/1/25", "5", smart, -1},
      {"equal numbers written differently", "12", "12.0", smart, 0},
      {"equal texts", "alt.test", "alt.test", smart, 0},
      {"letter case counts", "B", "a", text, -1},
  };
  const TSortLocale locale = English();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CompareSortTexts(row.a, row.b, row.style, locale), row.expected);
    EXPECT_EQ(CompareSortTexts(row.b, row.a, row.style, locale), -row.expected);
  }
}

TEST(CompareSortKeys, AgreeWithTheComparisonOfTheTextsOnEveryPair) {
  const std::string texts[] = {"",    "12",          "12 KB",    "3",    "None",  "1,000",
                               "999", "1/1/25",      "12/31/24", "9:05", "Re: x", "alt.test",
                               "Alt", "1/1/25 9:05", "-4e1",     "12/"};
  const TSortLocale locale = English();
  for (const TAutoSortStyle style : {TAutoSortStyle::assSmart, TAutoSortStyle::assDefault}) {
    for (const std::string& a : texts) {
      for (const std::string& b : texts) {
        SCOPED_TRACE(a + " | " + b);
        EXPECT_EQ(
            CompareSortKeys(MakeSortKey(a, style, locale), MakeSortKey(b, style, locale), locale),
            CompareSortTexts(a, b, style, locale));
      }
    }
  }
}

TEST(CompareSortTexts, AFailingComparisonCountsAsEqual) {
  TSortLocale locale = English();
  locale.Collate = [](const std::string&, const std::string&) -> int {
    throw std::runtime_error("collation failed");
  };
  EXPECT_EQ(CompareSortTexts("a", "b", TAutoSortStyle::assDefault, locale), 0);
  EXPECT_EQ(CompareSortTextsAs("a", "b", TSortAs::saString, locale), 0);
  const std::string a = "a", b = "b";
  EXPECT_EQ(CompareSortKeys(MakeSortKey(a, TAutoSortStyle::assSmart, locale),
                            MakeSortKey(b, TAutoSortStyle::assSmart, locale), locale),
            0);
  // Numbers do not reach the collation.
  EXPECT_EQ(CompareSortTexts("1", "2", TAutoSortStyle::assSmart, locale), -1);
}

TEST(CompareSortTextsAs, ComparesAsTheHandlerAsked) {
  struct Row {
    const char* name;
    const char* a;
    const char* b;
    TSortAs sortAs;
    int expected;
  };
  const Row rows[] = {
      {"none is equal", "a", "b", TSortAs::saNone, 0},
      {"string", "999", "1000", TSortAs::saString, 1},
      {"numeric", "999", "1000", TSortAs::saNumeric, -1},
      {"no number counts as 0", "None", "5", TSortAs::saNumeric, -1},
      {"no number against a negative", "None", "-5", TSortAs::saNumeric, 1},
      {"date", "1/1/25", "12/31/24", TSortAs::saDateTime, 1},
      {"no date counts as day 0", "soon", "1/1/25", TSortAs::saDateTime, -1},
  };
  const TSortLocale locale = English();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CompareSortTextsAs(row.a, row.b, row.sortAs, locale), row.expected);
  }
}

TEST(SortLocale, ReadsTheCLibrarysLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "C");
  const TSortLocale locale = TSortLocale::User();
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(locale.DateSeparator, "/");
  EXPECT_EQ(locale.DateOrder, TDateOrder::doMDY);
  EXPECT_EQ(locale.TimeSeparator, ":");
  EXPECT_EQ(locale.DecimalSeparator, ".");
  EXPECT_EQ(locale.ThousandSeparator, "");
  EXPECT_GE(locale.CurrentYear, 2024);
  // The C locale's short date is what strftime("%x") writes for the message list.
  TDateTime value = 0;
  EXPECT_TRUE(ParseSortDate("12/31/24", locale, value));
}

}  // namespace
}  // namespace qp::widgets
