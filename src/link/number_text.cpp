#include "link/number_text.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/runtime_failure.h"

namespace orvabridge::link {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// Around a converted number only blanks and tabs are allowed.
bool IsSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

template <class Int>
Int RoundInto(double value) {
  const double rounded = std::nearbyint(value);  // the default rounding mode: half to even
  if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min()) &&
        rounded <= static_cast<double>(std::numeric_limits<Int>::max()))) {
    throw RuntimeFailure(failure::kOverflow, "Overflow");
  }
  return static_cast<Int>(rounded);
}

}  // namespace

double LeadingNumber(std::string_view text) {
  // Blanks anywhere in the number are skipped; the number ends at the first other character.
  std::string digits;
  bool seen_sign = false, seen_point = false, seen_digit = false;
  for (char c : text) {
    if (IsBlank(c)) continue;
    if ((c == '-' || c == '+') && !seen_sign && !seen_digit && !seen_point) {
      seen_sign = true;
      digits += c;
    } else if (IsDigit(c)) {
      seen_digit = true;
      digits += c;
    } else if (c == '.' && !seen_point) {
      seen_point = true;
      digits += c;
    } else {
      break;
    }
  }
  if (!seen_digit) return 0.0;
  return std::strtod(digits.c_str(), nullptr);
}

double TextAsNumber(std::string_view text) {
  while (!text.empty() && IsSpaceOrTab(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpaceOrTab(text.back())) text.remove_suffix(1);
  size_t at = 0;
  auto digits = [&] {
    const size_t start = at;
    while (at < text.size() && IsDigit(text[at])) ++at;
    return at - start;
  };
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  size_t mantissa = digits();
  if (at < text.size() && text[at] == '.') {
    ++at;
    mantissa += digits();
  }
  bool valid = mantissa > 0;
  if (valid && at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    valid = digits() > 0;
  }
  if (!valid || at != text.size()) {
    throw RuntimeFailure(failure::kTypeMismatch, "Type mismatch");
  }
  const std::string number(text);
  return std::strtod(number.c_str(), nullptr);
}

int32_t RoundToInt32(double value) { return RoundInto<int32_t>(value); }
int16_t RoundToInt16(double value) { return RoundInto<int16_t>(value); }

}  // namespace orvabridge::link
