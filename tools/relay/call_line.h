// Call-log lines read back: which member a line names and the arguments it carries, or why the
// line cannot be replayed. The library writes a member's name, then every parameter's value after
// " ; ", with nothing escaped; so a line is only taken when it splits into exactly the member's
// fields in one way, and anything else is set aside with its reason, never guessed at.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <variant>

#include "calls/commands.h"
#include "calls/values.h"
#include "interface/members.h"

namespace orvabridge::relay {

struct ReplayCall {
  const api::Member* member = nullptr;
  const orvactl::CommandEntry* command = nullptr;
  // The value of every parameter that takes one, by name, already of the parameter's type.
  std::map<std::string, orvactl::Value> arguments;
};

struct Rejection {
  std::string reason;
};

std::variant<ReplayCall, Rejection> ParseCallLine(std::string_view line);

// The command that calls `member`; nullptr for a member that has none.
const orvactl::CommandEntry* CommandOf(const api::Member& member);

// The line as the relay may write it into its own files: the values of secret parameters (the
// passwords) become "***". When such a member's line cannot be split into its fields, nothing
// after the member's name is kept, since any field might be the password.
std::string MaskedCallLine(std::string_view line);

}  // namespace orvabridge::relay
