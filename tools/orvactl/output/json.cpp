#include "json.h"

#include <cmath>
#include <cstdio>

namespace orvabridge::orvactl {

std::string JsonString(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\t':
        quoted += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          quoted += escaped;
        } else {
          quoted += c;  // UTF-8 bytes pass through
        }
    }
  }
  return quoted + "\"";
}

std::string JsonValue(const Value& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return JsonString(*text);
  if (const auto* number = std::get_if<double>(&value)) {
    // JSON has no NaN or infinity.
    if (!std::isfinite(*number)) return "null";
  }
  return ValueText(value);
}

}  // namespace orvabridge::orvactl
