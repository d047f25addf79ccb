// Typed argument values of orvactl: what an option's text turns into, and back into text.
#pragma once

#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace orvabridge::orvactl {

enum class ValueType {
  kText,
  kInt32,
  kInt16,
  kBool,
  kDate,  // an automation date: days since 30 December 1899, as a double
};

using Value = std::variant<std::string, int32_t, int16_t, bool, double>;

// A word that stands for a number, for parameters that take an enumeration.
struct EnumAlias {
  std::string_view word;
  int32_t value;
};

// Thrown for a command line that orvactl cannot read; the message says why. `suggestion` is the
// word the user probably meant, when there is one (the message names it too).
class UsageError : public std::exception {
 public:
  explicit UsageError(std::string message, std::string suggestion = {})
      : message_(std::move(message)), suggestion_(std::move(suggestion)) {
    if (!suggestion_.empty()) message_ += "; did you mean " + suggestion_ + "?";
  }
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& suggestion() const { return suggestion_; }

 private:
  std::string message_;
  std::string suggestion_;
};

// The zero value of a type: what an omitted argument holds.
Value DefaultValue(ValueType type);

// Reads `text` as a value of `type`. Numbers must be whole and in range; booleans are
// true/false, yes/no, 1/0 or -1 (the automation true); dates are YYYY-MM-DD or a serial number;
// enumeration words (any letter case) are accepted where `aliases` lists them.
// Throws UsageError naming `what` (the option) when the text does not fit.
Value ParseValue(ValueType type, std::string_view text, std::string_view what,
                 std::span<const EnumAlias> aliases = {});

// The automation date of a calendar day, or nothing when the day does not exist.
bool DateSerial(int year, int month, int day, double& serial);

// Text for tables: numbers in decimal, booleans true/false.
std::string ValueText(const Value& value);

// The placeholder shown in help for a type ("TEXT", "N", ...).
std::string_view TypePlaceholder(ValueType type);

}  // namespace orvabridge::orvactl
