// Reading orvactl's command line: the subcommand, its options and the global switches.
#pragma once

#include <map>
#include <span>
#include <string>

#include "calls/commands.h"
#include "calls/values.h"

namespace orvabridge::orvactl {

inline constexpr std::string_view kDemoCommand = "demo";
inline constexpr std::string_view kDoctorCommand = "doctor";
inline constexpr std::string_view kHelpCommand = "help";
inline constexpr std::string_view kShellCommand = "shell";
inline constexpr std::string_view kSupportBundleCommand = "support-bundle";
inline constexpr std::string_view kStopOnError = "--stop-on-error";  // shell's own option

struct Invocation {
  std::string command;                  // empty when none was named
  const CommandEntry* found = nullptr;  // null for "demo", "doctor", "shell" and no command
  bool help = false;                    // --help / -h, or "help" in the command's place
  bool version = false;                 // --version
  bool json = false;                    // --json: one JSON object instead of a table
  bool logged_out = false;              // --logged-out: the simulator starts with nobody logged in
  bool stop_on_error = false;           // shell --stop-on-error: the first failing line ends it
  std::map<std::string, Value> values;  // option values by parameter name
  std::string file;                     // support-bundle's FILE.zip
};

// Global switches may stand anywhere before "--"; options follow the subcommand as
// "--name value" or "--name=value". A value may begin with "-" (it is always the next word),
// except that a boolean option followed by nothing or by another "--" option means true.
// "help COMMAND" is "COMMAND --help"; "help" alone (or "help help") is the overview. A word
// with one dash before the command ("-v") is an unknown option, with the nearest one suggested.
// After "--" nothing is an option or a switch: the words there are the values of the command's
// required parameters, in order. Throws UsageError for an unknown command or option (suggesting the
// nearest known one), a missing or unfit value, an option given twice, or a required parameter left
// out (given as an empty text it is passed on). With --help and --version, the options are not
// checked.
Invocation ParseInvocation(std::span<const std::string> args);

// Whether --json stands before any "--": so that a command line that cannot be read still gets
// its error as JSON.
bool AsksForJson(std::span<const std::string> args);

// A parameter the member cannot do without (the member table says "(required)" in its help): its
// option must be given, though an empty text reaches the member as it is.
bool IsRequired(const ParamEntry& param);

}  // namespace orvabridge::orvactl
