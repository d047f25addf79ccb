#include "platform/date_text.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/system_services.h"

namespace orvabridge::platform {

bool SystemServices::IsDate(std::string_view text) {
  return IsDateText(text, DateOrder::kDayMonthYear);
}

std::string LocalTimeText(const LocalTime& t) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day,
                t.hour, t.minute, t.second, t.millisecond);
  return text;
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

bool AllLetters(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsLetter(c)) return false;
  }
  return true;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// Digits only, at most four of them, so the value always fits.
int DigitsValue(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Splits at runs of characters for which `is_separator` holds; no empty pieces.
template <class Predicate>
std::vector<std::string_view> Split(std::string_view text, Predicate is_separator) {
  std::vector<std::string_view> pieces;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || is_separator(text[i])) {
      if (i > start) pieces.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return pieces;
}

// 1 to 12 for an English month name, its three-letter abbreviation, or "Sept".
std::optional<int> MonthNumber(std::string_view word) {
  static constexpr std::array<std::string_view, 12> kNames = {
      "january", "february", "march",     "april",   "may",      "june",
      "july",    "august",   "september", "october", "november", "december"};
  for (size_t i = 0; i < kNames.size(); ++i) {
    if (EqualsIgnoringCase(word, kNames[i]) || EqualsIgnoringCase(word, kNames[i].substr(0, 3))) {
      return static_cast<int>(i) + 1;
    }
  }
  if (EqualsIgnoringCase(word, "sept")) return 9;
  return std::nullopt;
}

// A year of two digits (00-29 this century, 30-99 the last) or four digits (100 to 9999).
std::optional<int> ReadYear(std::string_view digits) {
  if (!AllDigits(digits)) return std::nullopt;
  if (digits.size() == 2) {
    const int year = DigitsValue(digits);
    return year < 30 ? 2000 + year : 1900 + year;
  }
  if (digits.size() == 4) {
    const int year = DigitsValue(digits);
    if (year < 100) return std::nullopt;
    return year;
  }
  return std::nullopt;
}

// A day or month number: one or two digits.
std::optional<int> ReadSmall(std::string_view digits) {
  if (!AllDigits(digits) || digits.size() > 2) return std::nullopt;
  return DigitsValue(digits);
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool ValidDate(std::optional<int> year, std::optional<int> month, std::optional<int> day) {
  if (!year || !month || !day) return false;
  if (*month < 1 || *month > 12 || *day < 1) return false;
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int last = kDays[static_cast<size_t>(*month - 1)];
  if (*month == 2 && IsLeapYear(*year)) last = 29;
  return *day <= last;
}

// "12/03/2024", "03-12-24", "2024.03.12": three numbers joined by one kind of separator. A first
// number of four digits is always a year (year-month-day), whatever the locale order.
bool IsNumericDate(std::string_view text, DateOrder order) {
  char separator = 0;
  for (char c : text) {
    if (c == '/' || c == '-' || c == '.') {
      if (separator != 0 && c != separator) return false;
      separator = c;
    } else if (!IsDigit(c)) {
      return false;
    }
  }
  if (separator == 0) return false;
  // Empty pieces ("12//2024") must fail, so split by hand instead of skipping runs.
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == separator) {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (parts.size() != 3) return false;
  if (parts[0].size() == 4) order = DateOrder::kYearMonthDay;
  switch (order) {
    case DateOrder::kDayMonthYear:
      return ValidDate(ReadYear(parts[2]), ReadSmall(parts[1]), ReadSmall(parts[0]));
    case DateOrder::kMonthDayYear:
      return ValidDate(ReadYear(parts[2]), ReadSmall(parts[0]), ReadSmall(parts[1]));
    case DateOrder::kYearMonthDay:
      return ValidDate(ReadYear(parts[0]), ReadSmall(parts[1]), ReadSmall(parts[2]));
  }
  return false;
}

// "12 March 2024", "Mar 12, 2024", "12-Mar-24", "2024 Mar 12": one month name, a day and a year.
bool IsNamedMonthDate(std::string_view text) {
  const auto tokens = Split(
      text, [](char c) { return IsBlank(c) || c == ',' || c == '/' || c == '-' || c == '.'; });
  if (tokens.size() != 3) return false;
  std::optional<int> month;
  size_t month_at = 0;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (AllLetters(tokens[i])) {
      if (month) return false;
      month = MonthNumber(tokens[i]);
      if (!month) return false;
      month_at = i;
    }
  }
  if (!month) return false;
  if (month_at == 0) return ValidDate(ReadYear(tokens[2]), month, ReadSmall(tokens[1]));
  if (month_at == 1) {
    if (tokens[0].size() == 4) return ValidDate(ReadYear(tokens[0]), month, ReadSmall(tokens[2]));
    return ValidDate(ReadYear(tokens[2]), month, ReadSmall(tokens[0]));
  }
  return false;
}

bool IsDatePart(std::string_view text, DateOrder order) {
  for (char c : text) {
    if (IsLetter(c)) return IsNamedMonthDate(text);
  }
  return IsNumericDate(text, order);
}

enum class Meridiem { kNone, kAm, kPm };

std::optional<Meridiem> MeridiemWord(std::string_view word) {
  if (EqualsIgnoringCase(word, "AM")) return Meridiem::kAm;
  if (EqualsIgnoringCase(word, "PM")) return Meridiem::kPm;
  return std::nullopt;
}

// "10:30", "10:30:15", or an hour alone when a meridiem follows ("10 PM").
bool IsClock(std::string_view text, Meridiem meridiem) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == ':') {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (parts.size() > 3) return false;
  if (parts.size() == 1 && meridiem == Meridiem::kNone) return false;
  const auto hour = ReadSmall(parts[0]);
  if (!hour) return false;
  if (*hour > (meridiem == Meridiem::kNone ? 23 : 12)) return false;
  for (size_t i = 1; i < parts.size(); ++i) {
    const auto value = ReadSmall(parts[i]);
    if (!value || *value > 59) return false;
  }
  return true;
}

// The time of day at the end of the words, if there is one: "10:30", "10:30:15", "10:30 PM",
// "10:30pm", "10 PM". Returns how many words it took, 0 when the words end in no time, or nullopt
// when they end in something that looks like a time but is not a valid one.
std::optional<size_t> TrailingTime(const std::vector<std::string_view>& words) {
  if (words.empty()) return 0;
  std::string_view last = words.back();
  if (const auto meridiem = MeridiemWord(last)) {
    if (words.size() < 2) return std::nullopt;
    if (!IsClock(words[words.size() - 2], *meridiem)) return std::nullopt;
    return 2;
  }
  if (last.size() > 2) {
    if (const auto meridiem = MeridiemWord(last.substr(last.size() - 2))) {
      const auto clock = last.substr(0, last.size() - 2);
      if (!clock.empty() && IsDigit(clock.back())) {
        return IsClock(clock, *meridiem) ? std::optional<size_t>(1) : std::nullopt;
      }
    }
  }
  if (last.find(':') != std::string_view::npos) {
    return IsClock(last, Meridiem::kNone) ? std::optional<size_t>(1) : std::nullopt;
  }
  return 0;
}

}  // namespace

bool IsDateText(std::string_view text, DateOrder order) {
  text = Trim(text);
  if (text.empty()) return false;
  const auto words = Split(text, IsBlank);
  const auto time_words = TrailingTime(words);
  if (!time_words) return false;
  const size_t date_words = words.size() - *time_words;
  if (date_words == 0) return true;  // a time of day alone
  // The date is the text before the time: from its first word to the end of its last.
  const auto first = words.front();
  const auto last = words[date_words - 1];
  const auto date = text.substr(static_cast<size_t>(first.data() - text.data()),
                                static_cast<size_t>(last.data() + last.size() - first.data()));
  return IsDatePart(date, order);
}

}  // namespace orvabridge::platform
