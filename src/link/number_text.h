// Reading numbers out of texts the way the automation run time does: leniently as its Val, or
// strictly as its conversion of a text operand.
#pragma once

#include <cstdint>
#include <string_view>

namespace orvabridge::link {

// As Val: the decimal number at the start of the text, blanks ignored, 0 when there is none.
double LeadingNumber(std::string_view text);

// A text converted the way the run time converts a text operand: blanks or tabs around a decimal
// number with optional sign, fraction and exponent. Anything else throws RuntimeFailure 13 (Type
// mismatch).
double TextAsNumber(std::string_view text);

// Rounds half to even into a signed 32-bit integer; throws RuntimeFailure 6 (Overflow) when the
// value does not fit.
int32_t RoundToInt32(double value);
// Same, into 16 bits.
int16_t RoundToInt16(double value);

}  // namespace orvabridge::link
