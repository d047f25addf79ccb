// Reading orvactl's command line: the subcommand, its options and the global switches.
#pragma once

#include <map>
#include <span>
#include <string>

#include "commands.h"
#include "values.h"

namespace orvabridge::orvactl {

inline constexpr std::string_view kDemoCommand = "demo";

struct Invocation {
  std::string command;                  // empty when none was named
  const CommandSpec* found = nullptr;   // null for "demo" and for no command
  bool help = false;                    // --help / -h
  bool json = false;                    // --json: one JSON object instead of a table
  bool logged_out = false;              // --logged-out: the simulator starts with nobody logged in
  std::map<std::string, Value> values;  // option values by parameter name
};

// Global switches may stand anywhere; options follow the subcommand as "--name value" or
// "--name=value". A value may begin with "-" (it is always the next word), except that a boolean
// option followed by nothing or by another "--" option means true.
// Throws UsageError for an unknown command or option, a missing or unfit value, or an option
// given twice. With --help, the options are not checked.
Invocation ParseInvocation(std::span<const std::string> args);

}  // namespace orvabridge::orvactl
