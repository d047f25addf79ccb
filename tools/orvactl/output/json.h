// Just enough JSON to print one object: quoted strings and typed values.
#pragma once

#include <string>
#include <string_view>

#include "calls/values.h"

namespace orvabridge::orvactl {

// `text` (UTF-8) as a JSON string literal, quotes included; control characters are escaped.
std::string JsonString(std::string_view text);

// A value as JSON: texts quoted, numbers bare, booleans true/false.
std::string JsonValue(const Value& value);

}  // namespace orvabridge::orvactl
