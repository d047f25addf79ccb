#include "values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <limits>
#include <sstream>

namespace orvabridge::orvactl {
namespace {

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The whole text must be the number: "12x" and " 12" are refused.
template <class Number>
bool ParseWhole(std::string_view text, Number& number) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  return error == std::errc() && stop == end && !text.empty();
}

[[noreturn]] void Refuse(std::string_view what, std::string_view text, std::string_view wanted) {
  throw UsageError("--" + std::string(what) + ": \"" + std::string(text) + "\" is not " +
                   std::string(wanted));
}

int64_t ParseInteger(std::string_view text, std::string_view what, int64_t low, int64_t high,
                     std::span<const EnumAlias> aliases) {
  for (const EnumAlias& alias : aliases) {
    if (SameWord(alias.word, text)) return alias.value;
  }
  int64_t number = 0;
  if (!ParseWhole(text, number)) {
    std::string wanted = "a whole number";
    if (!aliases.empty()) {
      wanted += " or one of";
      for (const EnumAlias& alias : aliases) {
        wanted += ' ';
        wanted += alias.word;
      }
    }
    Refuse(what, text, wanted);
  }
  if (number < low || number > high) {
    Refuse(what, text, "in the range " + std::to_string(low) + " to " + std::to_string(high));
  }
  return number;
}

bool ParseBool(std::string_view text, std::string_view what) {
  for (std::string_view yes : {"true", "yes", "1", "-1", "on"}) {
    if (SameWord(text, yes)) return true;
  }
  for (std::string_view no : {"false", "no", "0", "off"}) {
    if (SameWord(text, no)) return false;
  }
  Refuse(what, text, "a boolean (true or false)");
}

double ParseDate(std::string_view text, std::string_view what) {
  int year = 0, month = 0, day = 0;
  if (text.size() == 10 && text[4] == '-' && text[7] == '-' &&
      ParseWhole(text.substr(0, 4), year) && ParseWhole(text.substr(5, 2), month) &&
      ParseWhole(text.substr(8, 2), day)) {
    double serial = 0;
    if (DateSerial(year, month, day, serial)) return serial;
    Refuse(what, text, "a calendar day");
  }
  double serial = 0;
  if (ParseWhole(text, serial)) return serial;
  Refuse(what, text, "a date (YYYY-MM-DD or a day number)");
}

}  // namespace

Value DefaultValue(ValueType type) {
  switch (type) {
    case ValueType::kText:
      return std::string();
    case ValueType::kInt32:
      return int32_t{0};
    case ValueType::kInt16:
      return int16_t{0};
    case ValueType::kBool:
      return false;
    case ValueType::kDate:
      return 0.0;
  }
  return std::string();
}

Value ParseValue(ValueType type, std::string_view text, std::string_view what,
                 std::span<const EnumAlias> aliases) {
  switch (type) {
    case ValueType::kText:
      return std::string(text);
    case ValueType::kInt32:
      return static_cast<int32_t>(ParseInteger(text, what, std::numeric_limits<int32_t>::min(),
                                               std::numeric_limits<int32_t>::max(), aliases));
    case ValueType::kInt16:
      return static_cast<int16_t>(ParseInteger(text, what, std::numeric_limits<int16_t>::min(),
                                               std::numeric_limits<int16_t>::max(), aliases));
    case ValueType::kBool:
      return ParseBool(text, what);
    case ValueType::kDate:
      return ParseDate(text, what);
  }
  return std::string(text);
}

bool DateSerial(int year, int month, int day, double& serial) {
  using namespace std::chrono;
  const year_month_day date{std::chrono::year{year},
                            std::chrono::month{static_cast<unsigned>(month)},
                            std::chrono::day{static_cast<unsigned>(day)}};
  if (month < 1 || day < 1 || !date.ok()) return false;
  constexpr year_month_day kEpoch{std::chrono::year{1899}, December, std::chrono::day{30}};
  serial = static_cast<double>((sys_days{date} - sys_days{kEpoch}).count());
  return true;
}

std::string ValueText(const Value& value) {
  struct Visitor {
    std::string operator()(const std::string& text) const { return text; }
    std::string operator()(int32_t number) const { return std::to_string(number); }
    std::string operator()(int16_t number) const { return std::to_string(number); }
    std::string operator()(bool flag) const { return flag ? "true" : "false"; }
    std::string operator()(double number) const {
      std::ostringstream out;
      out << number;
      return out.str();
    }
  };
  return std::visit(Visitor{}, value);
}

std::string_view TypePlaceholder(ValueType type) {
  switch (type) {
    case ValueType::kText:
      return "TEXT";
    case ValueType::kInt32:
      return "N";
    case ValueType::kInt16:
      return "N";
    case ValueType::kBool:
      return "BOOL";
    case ValueType::kDate:
      return "DATE";
  }
  return "VALUE";
}

}  // namespace orvabridge::orvactl
