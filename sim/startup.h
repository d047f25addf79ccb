// What orva-sim does with its command line before any window exists: show its help, its version
// or the data template and end, refuse what it cannot use, or hand over everything the run
// needs (options, data, trace). Kept apart from the run so that the native tests check it too.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "sim/command_line.h"
#include "sim/model.h"

namespace orvabridge::sim {

inline constexpr int kExitNormal = 0;
inline constexpr int kExitCannotStart = 1;
// A command line, data file or trace file that cannot be used.
inline constexpr int kExitUsage = 2;

struct Startup {
  std::optional<int> exit_code;  // set: nothing to run; end with this code
  SimCommandLine line;
  std::optional<SimModel> data;         // what the application knows at the start, if given
  std::shared_ptr<std::ostream> trace;  // where --trace writes, if asked for
};

// `environment_arguments`: the text of ORVA_SIM_ARGS; `arguments`: the command line after the
// program name, in UTF-8. Help, version and template go to `out`, every mistake to `err`.
// "--trace -" traces to `out`, which must then outlive the run. `code_page`: the one the
// application answers in; a data file's texts that it cannot hold whole are warned of on `err`.
Startup PrepareStartup(std::string_view environment_arguments,
                       const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err, platform::CodePage& code_page);

// orva-sim's own version: the project's.
std::string_view ProgramVersion();

}  // namespace orvabridge::sim
