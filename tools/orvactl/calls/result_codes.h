// What a member's result code means, for tables, help texts and the exit status.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "commands.h"

namespace orvabridge::orvactl {

// The meaning of `code` as returned by `member` ("FindPatient", ...).
std::string ResultMeaning(std::string_view member, int32_t code);

// The codes a member is known to return, with their meanings, for its help text.
std::vector<std::pair<int32_t, std::string>> DocumentedResults(std::string_view member);

// Whether a result code is the command's success.
bool IsSuccess(const CommandEntry& command, int32_t code);

}  // namespace orvabridge::orvactl
