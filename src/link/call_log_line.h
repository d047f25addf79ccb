// The call-log line of a member in text-out mode: the name its line carries, then the value of
// every parameter in the member's order, each after " ; ". A member without parameters writes
// its name and one separator ("UserLogout ; "). Nothing is escaped: a value that holds " ; "
// makes its line ambiguous, which the relay of text-out files detects by the field count.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "interface/members.h"

namespace orvabridge::link {

// Throws std::logic_error when the values do not match the member's parameters in number.
std::string CallLogLine(const api::Member& member, std::initializer_list<std::string_view> values);

// The separator between the fields of a call-log line.
inline constexpr std::string_view kCallLogSeparator = " ; ";

}  // namespace orvabridge::link
