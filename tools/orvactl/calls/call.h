// One call of an Appl member through the command table, with what came back.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "orvabridge/appl.h"
#include "values.h"

namespace orvabridge::orvactl {

// An automation error raised by the member.
struct CallFailure {
  int32_t number = 0;
  std::string source;
  std::string description;
};

struct CallOutcome {
  const CommandEntry* command = nullptr;
  Returned returned;  // monostate after a failure or for a member without a result
  std::vector<std::pair<std::string, Value>> outputs;
  std::optional<CallFailure> failure;
  // InitApplication answered for the stub: no imaging application is installed or attached.
  bool stub_mode = false;
  // What the caller should know about the call's arguments (texts cut at their fields).
  std::vector<std::string> warnings;

  // No automation error, and a result code (if the member returns one) that counts as success.
  bool Succeeded() const;
  std::optional<int32_t> ResultCode() const;
};

// Calls the member with `values` (option values by parameter name). An automation error is
// caught and described in the outcome; so is any other exception, as a fault of this program.
CallOutcome Call(Appl& appl, const CommandEntry& command, std::map<std::string, Value> values);

}  // namespace orvabridge::orvactl
