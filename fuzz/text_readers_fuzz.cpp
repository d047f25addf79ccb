// The date reader of the in-process desktop and the run time's number readers, on any text:
// - the date reader takes any bytes in every locale order, and blanks around a text change
//   nothing; a numeric date whose first part has four digits reads the same in every order;
// - the strict number reader either gives a number or fails with 13 (Type mismatch), and a text
//   it takes without an exponent gives the lenient reader the same number;
// - rounding either gives a whole number in range or fails with 6 (Overflow).
//
// The input is the text itself.
#include <cmath>
#include <string>

#include "fuzz_support.h"
#include "link/number_text.h"
#include "platform/date_text.h"
#include "platform/runtime_failure.h"

namespace orvabridge::fuzz {
namespace {

using platform::DateOrder;

constexpr DateOrder kOrders[] = {DateOrder::kDayMonthYear, DateOrder::kMonthDayYear,
                                 DateOrder::kYearMonthDay};

void CheckDates(std::string_view text) {
  const bool day_first = platform::IsDateText(text, DateOrder::kDayMonthYear);
  for (DateOrder order : kOrders) {
    const bool is_date = platform::IsDateText(text, order);
    const std::string padded = " \t" + std::string(text) + "\t ";
    FUZZ_CHECK(platform::IsDateText(padded, order) == is_date,
               "blanks around \"" + Escaped(text) + "\" change the answer");
    const bool year_first = text.size() > 4 && text.find_first_not_of("0123456789") == 4 &&
                            (text[4] == '/' || text[4] == '-' || text[4] == '.') &&
                            text.find_first_not_of("0123456789/-.") == std::string_view::npos;
    if (year_first) {
      FUZZ_CHECK(is_date == day_first, "\"" + Escaped(text) + "\" depends on the locale order");
    }
  }
}

template <class Round>
void CheckRounding(double value, Round round) {
  try {
    const double whole = static_cast<double>(round(value));
    FUZZ_CHECK(std::fabs(whole - value) <= 0.5,
               "rounded " + std::to_string(value) + " to " + std::to_string(whole));
  } catch (const RuntimeFailure& failure) {
    FUZZ_CHECK(failure.number() == failure::kOverflow,
               "rounding failed with " + std::to_string(failure.number()));
    FUZZ_CHECK(!(std::fabs(value) < 32767.0), "overflow for " + std::to_string(value));
  }
}

void CheckNumbers(std::string_view text) {
  const double lenient = link::LeadingNumber(text);
  FUZZ_CHECK(!std::isnan(lenient), "LeadingNumber gave NaN for \"" + Escaped(text) + "\"");
  CheckRounding(lenient, link::RoundToInt32);
  CheckRounding(lenient, link::RoundToInt16);
  double strict = 0;
  try {
    strict = link::TextAsNumber(text);
  } catch (const RuntimeFailure& failure) {
    FUZZ_CHECK(failure.number() == failure::kTypeMismatch,
               "TextAsNumber failed with " + std::to_string(failure.number()));
    return;
  }
  FUZZ_CHECK(!std::isnan(strict), "TextAsNumber gave NaN for \"" + Escaped(text) + "\"");
  if (text.find_first_of("eE") == std::string_view::npos) {
    FUZZ_CHECK(strict == lenient, "\"" + Escaped(text) + "\" reads " + std::to_string(strict) +
                                      " strictly but " + std::to_string(lenient) + " leniently");
  }
  CheckRounding(strict, link::RoundToInt32);
  CheckRounding(strict, link::RoundToInt16);
}

}  // namespace
}  // namespace orvabridge::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  orvabridge::fuzz::CheckDates(text);
  orvabridge::fuzz::CheckNumbers(text);
  return 0;
}
