// A portable reader of date texts in a given locale order, for platforms without a date parser of
// their own: numeric and month-name forms, with or without a time of day, or a time alone.
#pragma once

#include <string_view>

namespace orvabridge::platform {

enum class DateOrder { kDayMonthYear, kMonthDayYear, kYearMonthDay };

bool IsDateText(std::string_view text, DateOrder order);

}  // namespace orvabridge::platform
