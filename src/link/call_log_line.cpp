#include "link/call_log_line.h"

#include <stdexcept>

namespace orvabridge::link {

void ExpectCallLogFields(const api::Member& member, size_t count) {
  if (count != member.parameters.size()) {
    throw std::logic_error("call-log line of " + std::string(member.name) + ": " +
                           std::to_string(count) + " values for " +
                           std::to_string(member.parameters.size()) + " parameters");
  }
}

std::string CallLogLine(const api::Member& member, std::initializer_list<std::string_view> values) {
  ExpectCallLogFields(member, values.size());
  std::string line(member.LogName());
  line += kCallLogSeparator;
  bool first = true;
  for (const std::string_view value : values) {
    if (!first) line += kCallLogSeparator;
    line += value;
    first = false;
  }
  return line;
}

std::string CallLogValue(const api::Parameter&, const std::string& text) { return text; }

std::string CallLogValue(const api::Parameter& parameter, int32_t number) {
  // Widened first: the magnitude of the lowest 32-bit value does not fit in 32 bits.
  const int64_t wide = number;
  return std::to_string(parameter.logs_magnitude && wide < 0 ? -wide : wide);
}

std::string CallLogValue(const api::Parameter&, int16_t number) { return std::to_string(number); }

std::string CallLogValue(const api::Parameter&, bool flag) { return flag ? "1" : "0"; }

}  // namespace orvabridge::link
