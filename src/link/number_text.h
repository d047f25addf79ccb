// Reading numbers out of texts the way the automation run time's Val does: the decimal number at
// the start of the text, blanks ignored, 0 when there is none.
#pragma once

#include <cstdint>
#include <string_view>

namespace orvabridge::link {

double LeadingNumber(std::string_view text);

// Rounds half to even into a signed 32-bit integer; throws RuntimeFailure 6 (Overflow) when the
// value does not fit.
int32_t RoundToInt32(double value);
// Same, into 16 bits.
int16_t RoundToInt16(double value);

}  // namespace orvabridge::link
