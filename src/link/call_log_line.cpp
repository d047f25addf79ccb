#include "link/call_log_line.h"

#include <stdexcept>

namespace orvabridge::link {

std::string CallLogLine(const api::Member& member, std::initializer_list<std::string_view> values) {
  if (values.size() != member.parameters.size()) {
    throw std::logic_error("call-log line of " + std::string(member.name) + ": " +
                           std::to_string(values.size()) + " values for " +
                           std::to_string(member.parameters.size()) + " parameters");
  }
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

}  // namespace orvabridge::link
