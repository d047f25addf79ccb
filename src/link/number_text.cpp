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

int32_t RoundToInt32(double value) { return RoundInto<int32_t>(value); }
int16_t RoundToInt16(double value) { return RoundInto<int16_t>(value); }

}  // namespace orvabridge::link
