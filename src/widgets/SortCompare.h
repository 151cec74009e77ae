// How the sortable lists compare the texts of two cells: as dates, as numbers or as text, by
// the rules of the user's locale. No Qt here, so the rules are tested on their own; the
// lists call these functions on the window thread, the benchmark in plain C++.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/DateTime.h"

namespace qp::widgets {

// assSmart looks at each pair of texts: two dates compare as dates, two numbers as numbers,
// anything else as text. assDefault always compares as text.
enum class TAutoSortStyle { assSmart, assDefault };

// How a sort handler asks the list to compare the two texts of a column.
enum class TSortAs { saNone, saString, saNumeric, saDateTime };

// The order of day, month and year in the locale's short date.
enum class TDateOrder { doMDY, doDMY, doYMD };

// What the comparisons take from the user's locale. A plain value; User() reads the C
// library's current locale, tests build their own.
struct TSortLocale {
  std::string DateSeparator = "/";
  std::string TimeSeparator = ":";
  std::string ThousandSeparator;  // "" when the locale has none
  std::string DecimalSeparator = ".";
  TDateOrder DateOrder = TDateOrder::doMDY;
  std::string AmDesignator = "AM";
  std::string PmDesignator = "PM";
  // A year written with one or two digits lies in the hundred years from 50 years before
  // this one to 49 years after it.
  int CurrentYear = 2000;
  // Text order: negative, 0 or positive. When empty, the C library's collation of the
  // current locale (strcoll), which keeps letter case significant.
  std::function<int(const std::string& a, const std::string& b)> Collate;

  // The separators, date order and designators of the C library's current locale
  // (LC_TIME, LC_NUMERIC) and the current year. Never throws.
  static TSortLocale User();
};

// True when text reads as a number; value receives it. The text is first cut at its first
// blank ("12 KB" reads as 12; a text that begins with a blank as nothing); what remains must
// be an optional sign, digits, an optional "." with digits and an optional exponent. If it
// is not, a second try removes the locale's thousands separators and turns its decimal
// separators into ".". The empty text is no number.
bool ParseSortNumber(std::string_view text, const TSortLocale& locale, double& value);

// True when text reads as a date, a time or both in the locale's short form; value receives
// it (a time alone counts from day 0). A text is looked at only when it holds the date
// separator twice (or once as its last character) or the time separator. A date without a
// year takes the current one.
bool ParseSortDate(std::string_view text, const TSortLocale& locale, TDateTime& value);

// The locale's text order of a and b: negative, 0 or positive.
int CollateTexts(const std::string& a, const std::string& b, const TSortLocale& locale);

// Compares the texts of two cells by style: negative when a goes before b in ascending
// order, 0 when they are equal, positive otherwise. A failure compares as equal.
int CompareSortTexts(const std::string& a, const std::string& b, TAutoSortStyle style,
                     const TSortLocale& locale) noexcept;

// A text read once for a sort: whether it is a date or a number under the style, and its
// value. Refers to the text, which must outlive it.
struct TSortKey {
  const std::string* Text = nullptr;
  bool IsDate = false;
  bool IsNumber = false;
  bool Failed = false;  // reading it failed: it compares as equal to everything
  TDateTime Date = 0;
  double Number = 0;
};

// Reads text for CompareSortKeys. Never throws.
TSortKey MakeSortKey(const std::string& text, TAutoSortStyle style,
                     const TSortLocale& locale) noexcept;

// Compares two keys exactly as CompareSortTexts compares their texts, without reading the
// texts again: a sort reads each text once instead of at every comparison.
int CompareSortKeys(const TSortKey& a, const TSortKey& b, const TSortLocale& locale) noexcept;

// Compares as a sort handler asked: saString by the locale's text order, saNumeric by value
// (a text that is no number counts as 0), saDateTime by date (a text that is no date counts
// as 0). saNone compares as equal. A failure compares as equal.
int CompareSortTextsAs(const std::string& a, const std::string& b, TSortAs sortAs,
                       const TSortLocale& locale) noexcept;

}  // namespace qp::widgets
