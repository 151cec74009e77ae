#include "widgets/SortCompare.h"

#include <langinfo.h>

#include <charconv>
#include <clocale>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace qp::widgets {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads [pos, end) as: sign? digits ("." digits)? ([eE] sign? digits)?. The whole view must
// match; from_chars does the conversion so that the C library's LC_NUMERIC plays no part.
bool ReadDecimal(std::string_view s, double& value) {
  std::size_t i = 0;
  const std::size_t n = s.size();
  if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
  const std::size_t whole = i;
  while (i < n && IsDigit(s[i])) ++i;
  if (i == whole) return false;
  if (i < n && s[i] == '.') {
    const std::size_t fraction = ++i;
    while (i < n && IsDigit(s[i])) ++i;
    if (i == fraction) return false;
  }
  bool negativeExponent = false;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) negativeExponent = s[i++] == '-';
    const std::size_t exponent = i;
    while (i < n && IsDigit(s[i])) ++i;
    if (i == exponent) return false;
  }
  if (i != n) return false;
  const std::string_view body = s.front() == '+' ? s.substr(1) : s;
  const auto [end, error] = std::from_chars(body.data(), body.data() + body.size(), value);
  (void)end;
  if (error == std::errc::result_out_of_range) {
    // Beyond what a double holds: tiny values are 0, huge ones infinite.
    const bool negative = body.front() == '-';
    value = negativeExponent ? 0.0
                             : (negative ? -std::numeric_limits<double>::infinity()
                                         : std::numeric_limits<double>::infinity());
  } else if (error != std::errc()) {
    return false;
  }
  return true;
}

std::string ReplaceAll(std::string_view s, const std::string& from, const std::string& to) {
  std::string out;
  out.reserve(s.size());
  std::size_t at = 0;
  while (at < s.size()) {
    if (!from.empty() && s.substr(at, from.size()) == from) {
      out += to;
      at += from.size();
    } else {
      out += s[at++];
    }
  }
  return out;
}

std::size_t CountOf(std::string_view s, const std::string& part) {
  if (part.empty()) return 0;
  std::size_t count = 0;
  for (std::size_t at = s.find(part); at != std::string_view::npos;
       at = s.find(part, at + part.size())) {
    ++count;
  }
  return count;
}

// A reading position over a date or time text.
class TScanner {
 public:
  explicit TScanner(std::string_view text) : FText(text) {}
  bool AtEnd() const { return FPos == FText.size(); }
  std::size_t Pos() const { return FPos; }
  void Reset(std::size_t pos) { FPos = pos; }

  // Reads 1 to 9 digits.
  bool Number(int& value, int& digits) {
    value = 0;
    digits = 0;
    while (FPos < FText.size() && IsDigit(FText[FPos])) {
      if (++digits > 9) return false;
      value = value * 10 + (FText[FPos++] - '0');
    }
    return digits > 0;
  }
  bool Number(int& value) {
    int digits = 0;
    return Number(value, digits);
  }
  bool Literal(const std::string& text) {
    if (text.empty() || FText.substr(FPos, text.size()) != text) return false;
    FPos += text.size();
    return true;
  }
  // Skips blanks; true when there was at least one.
  bool Blanks() {
    const std::size_t start = FPos;
    while (FPos < FText.size() && FText[FPos] == ' ') ++FPos;
    return FPos > start;
  }
  // Reads the designator when the rest starts with it, letter case ignored.
  bool Designator(const std::string& designator) {
    if (designator.empty() || FText.size() - FPos < designator.size()) return false;
    for (std::size_t i = 0; i < designator.size(); ++i) {
      char a = FText[FPos + i], b = designator[i];
      if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
      if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
      if (a != b) return false;
    }
    FPos += designator.size();
    return true;
  }

 private:
  std::string_view FText;
  std::size_t FPos = 0;
};

// The year of a one- or two-digit year in the hundred years around the current one.
int WindowedYear(int year, int currentYear) {
  const int base = currentYear - 50;
  int full = base - base % 100 + year;
  if (full < base) full += 100;
  return full;
}

// Day, month and an optional year, in the locale's order and with its separator.
bool ScanDate(TScanner& scan, const TSortLocale& locale, TDateTime& value) {
  int n[3] = {0, 0, 0}, digits[3] = {0, 0, 0};
  if (!scan.Number(n[0], digits[0]) || !scan.Literal(locale.DateSeparator) ||
      !scan.Number(n[1], digits[1])) {
    return false;
  }
  const bool withYear = scan.Literal(locale.DateSeparator);
  if (withYear && !scan.Number(n[2], digits[2])) return false;
  int year = locale.CurrentYear, month = 0, day = 0, yearDigits = 4;
  switch (locale.DateOrder) {
    case TDateOrder::doMDY:
      month = n[0];
      day = n[1];
      if (withYear) year = n[2], yearDigits = digits[2];
      break;
    case TDateOrder::doDMY:
      day = n[0];
      month = n[1];
      if (withYear) year = n[2], yearDigits = digits[2];
      break;
    case TDateOrder::doYMD:
      if (withYear) {
        year = n[0], yearDigits = digits[0];
        month = n[1];
        day = n[2];
      } else {
        month = n[0];
        day = n[1];
      }
      break;
  }
  if (yearDigits <= 2) year = WindowedYear(year, locale.CurrentYear);
  return TryEncodeDate(year, month, day, value);
}

// Hours and minutes, optional seconds (and milliseconds after a "."), an optional AM or PM.
bool ScanTime(TScanner& scan, const TSortLocale& locale, TDateTime& value) {
  int hour = 0, minute = 0, second = 0, msec = 0;
  if (!scan.Number(hour) || !scan.Literal(locale.TimeSeparator) || !scan.Number(minute)) {
    return false;
  }
  if (scan.Literal(locale.TimeSeparator)) {
    if (!scan.Number(second)) return false;
    if (scan.Literal(".")) {
      int digits = 0;
      if (!scan.Number(msec, digits) || digits > 3) return false;
      for (; digits < 3; ++digits) msec *= 10;
    }
  }
  const std::size_t beforeDesignator = scan.Pos();
  scan.Blanks();
  const bool am = scan.Designator(locale.AmDesignator) || scan.Designator("AM");
  const bool pm = !am && (scan.Designator(locale.PmDesignator) || scan.Designator("PM"));
  if (!am && !pm) {
    scan.Reset(beforeDesignator);
  } else {
    if (hour > 12) return false;
    hour = hour % 12 + (pm ? 12 : 0);
  }
  return TryEncodeTime(hour, minute, second, msec, value);
}

enum class TDatePart { dpDateTime, dpDate, dpTime };

bool ScanWhole(std::string_view text, TDatePart part, const TSortLocale& locale, TDateTime& value) {
  TScanner scan(text);
  TDateTime date = 0, time = 0;
  switch (part) {
    case TDatePart::dpDateTime:
      if (!ScanDate(scan, locale, date) || !scan.Blanks() || !ScanTime(scan, locale, time))
        return false;
      break;
    case TDatePart::dpDate:
      if (!ScanDate(scan, locale, date)) return false;
      break;
    case TDatePart::dpTime:
      if (!ScanTime(scan, locale, time)) return false;
      break;
  }
  if (!scan.AtEnd()) return false;
  // Both parts are non-negative here (years from 1), so the sum is the date and time.
  value = date + time;
  return true;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

int Sign(double a, double b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

// The fields of an strftime date or time format, expanded, and the literal text between
// its first two fields.
struct TFormatFields {
  std::string Fields;  // one letter per numeric field: d, m, y, H, M, S, I
  std::string Separator;
};

TFormatFields ReadFormat(const std::string& format) {
  std::string expanded;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      const char c = format[i + 1];
      const char* replacement = c == 'D'   ? "%m/%d/%y"
                                : c == 'F' ? "%Y-%m-%d"
                                : c == 'T' ? "%H:%M:%S"
                                : c == 'R' ? "%H:%M"
                                : c == 'r' ? "%I:%M:%S %p"
                                           : nullptr;
      if (replacement != nullptr) {
        expanded += replacement;
        ++i;
        continue;
      }
    }
    expanded += format[i];
  }
  TFormatFields result;
  std::string literal;
  for (std::size_t i = 0; i < expanded.size(); ++i) {
    if (expanded[i] != '%') {
      literal += expanded[i];
      continue;
    }
    // Flags and the E and O modifiers of glibc come before the conversion letter.
    std::size_t j = i + 1;
    while (j < expanded.size() && std::strchr("-_0^#EO", expanded[j]) != nullptr) ++j;
    if (j >= expanded.size()) break;
    char field = expanded[j];
    i = j;
    if (field == 'e') field = 'd';
    if (field == 'Y' || field == 'C' || field == 'G' || field == 'g') field = 'y';
    if (field == 'k') field = 'H';
    if (field == 'l') field = 'I';
    if (std::strchr("dmyHMSI", field) == nullptr) continue;
    if (result.Fields.size() == 1) result.Separator = literal;
    result.Fields += field;
    literal.clear();
  }
  return result;
}

}  // namespace

TSortLocale TSortLocale::User() {
  TSortLocale locale;
  try {
    const TFormatFields date = ReadFormat(nl_langinfo(D_FMT));
    if (date.Fields.size() >= 2 && !date.Separator.empty()) {
      locale.DateSeparator = date.Separator;
      if (date.Fields.rfind("dm", 0) == 0) locale.DateOrder = TDateOrder::doDMY;
      if (date.Fields.rfind("md", 0) == 0) locale.DateOrder = TDateOrder::doMDY;
      if (date.Fields.rfind("ym", 0) == 0) locale.DateOrder = TDateOrder::doYMD;
    }
    const TFormatFields time = ReadFormat(nl_langinfo(T_FMT));
    if (time.Fields.size() >= 2 && !time.Separator.empty()) locale.TimeSeparator = time.Separator;
    if (const lconv* numbers = std::localeconv()) {
      if (numbers->decimal_point != nullptr && *numbers->decimal_point != '\0')
        locale.DecimalSeparator = numbers->decimal_point;
      if (numbers->thousands_sep != nullptr) locale.ThousandSeparator = numbers->thousands_sep;
    }
    const std::string am = nl_langinfo(AM_STR), pm = nl_langinfo(PM_STR);
    if (!am.empty()) locale.AmDesignator = am;
    if (!pm.empty()) locale.PmDesignator = pm;
    int year = 0, month = 0, day = 0;
    DecodeDate(Now(), year, month, day);
    locale.CurrentYear = year;
  } catch (...) {
    // The defaults stand for whatever could not be read.
  }
  return locale;
}

bool ParseSortNumber(std::string_view text, const TSortLocale& locale, double& value) {
  const std::string_view cut = text.substr(0, text.find(' '));
  if (cut.empty()) return false;
  if (ReadDecimal(cut, value)) return true;
  std::string plain = ReplaceAll(cut, locale.ThousandSeparator, "");
  if (locale.DecimalSeparator != ".") plain = ReplaceAll(plain, locale.DecimalSeparator, ".");
  return !plain.empty() && ReadDecimal(plain, value);
}

bool ParseSortDate(std::string_view text, const TSortLocale& locale, TDateTime& value) {
  const std::size_t dateSeparators = CountOf(text, locale.DateSeparator);
  const bool endsWithSeparator =
      !locale.DateSeparator.empty() && text.size() >= locale.DateSeparator.size() &&
      text.substr(text.size() - locale.DateSeparator.size()) == locale.DateSeparator;
  const bool hasDate = dateSeparators >= 2 || (dateSeparators == 1 && endsWithSeparator);
  const bool hasTime = CountOf(text, locale.TimeSeparator) > 0;
  if (!hasDate && !hasTime) return false;
  const std::string_view trimmed = TrimBlanks(text);
  // When the two separators are the same character a text can be read more than one way;
  // the parts are tried from the fullest.
  if (dateSeparators > 0 && hasTime && ScanWhole(trimmed, TDatePart::dpDateTime, locale, value))
    return true;
  if (dateSeparators > 0 && ScanWhole(trimmed, TDatePart::dpDate, locale, value)) return true;
  return hasTime && ScanWhole(trimmed, TDatePart::dpTime, locale, value);
}

int CollateTexts(const std::string& a, const std::string& b, const TSortLocale& locale) {
  if (locale.Collate) return locale.Collate(a, b);
  const int result = std::strcoll(a.c_str(), b.c_str());
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

int CompareSortTexts(const std::string& a, const std::string& b, TAutoSortStyle style,
                     const TSortLocale& locale) noexcept {
  try {
    if (style == TAutoSortStyle::assSmart) {
      TDateTime dateA = 0, dateB = 0;
      if (ParseSortDate(a, locale, dateA) && ParseSortDate(b, locale, dateB))
        return Sign(dateA, dateB);
      double numberA = 0, numberB = 0;
      if (ParseSortNumber(a, locale, numberA) && ParseSortNumber(b, locale, numberB))
        return Sign(numberA, numberB);
    }
    return CollateTexts(a, b, locale);
  } catch (...) {
    return 0;
  }
}

TSortKey MakeSortKey(const std::string& text, TAutoSortStyle style,
                     const TSortLocale& locale) noexcept {
  TSortKey key;
  key.Text = &text;
  if (style != TAutoSortStyle::assSmart) return key;
  try {
    key.IsDate = ParseSortDate(text, locale, key.Date);
    key.IsNumber = ParseSortNumber(text, locale, key.Number);
  } catch (...) {
    key.Failed = true;
  }
  return key;
}

int CompareSortKeys(const TSortKey& a, const TSortKey& b, const TSortLocale& locale) noexcept {
  if (a.Failed || b.Failed) return 0;
  try {
    if (a.IsDate && b.IsDate) return Sign(a.Date, b.Date);
    if (a.IsNumber && b.IsNumber) return Sign(a.Number, b.Number);
    return CollateTexts(*a.Text, *b.Text, locale);
  } catch (...) {
    return 0;
  }
}

int CompareSortTextsAs(const std::string& a, const std::string& b, TSortAs sortAs,
                       const TSortLocale& locale) noexcept {
  try {
    switch (sortAs) {
      case TSortAs::saNone:
        return 0;
      case TSortAs::saString:
        return CollateTexts(a, b, locale);
      case TSortAs::saNumeric: {
        double numberA = 0, numberB = 0;
        if (!ParseSortNumber(a, locale, numberA)) numberA = 0;
        if (!ParseSortNumber(b, locale, numberB)) numberB = 0;
        return Sign(numberA, numberB);
      }
      case TSortAs::saDateTime: {
        TDateTime dateA = 0, dateB = 0;
        if (!ParseSortDate(a, locale, dateA)) dateA = 0;
        if (!ParseSortDate(b, locale, dateB)) dateB = 0;
        return Sign(dateA, dateB);
      }
    }
  } catch (...) {
  }
  return 0;
}

}  // namespace qp::widgets
