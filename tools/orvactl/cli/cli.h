// orvactl's entry: reads the command line, sets up the workbench and runs a command, the demo or
// the doctor.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "workbench/workbench.h"

namespace orvabridge::orvactl {

namespace exit_status {
inline constexpr int kSuccess = 0;
inline constexpr int kOtherResult = 1;  // also: doctor found a failure; init entered stub mode
inline constexpr int kUsage = 2;
inline constexpr int kAutomationError = 3;
inline constexpr int kSetupFailed = 4;
inline constexpr int kOutputFailed = 5;  // standard output could not be written
}  // namespace exit_status

using WorkbenchFactory = std::function<std::unique_ptr<Workbench>()>;
// The next line of input for `orvactl shell`, shown `prompt` where a person types; nothing at the
// end of the input.
using LineReader = std::function<std::optional<std::string>(std::string_view prompt)>;

// The program's version (the project's), as --version shows it.
std::string OrvactlVersion();

// `args` without the program name. `err_is_terminal`: whether `err` is a terminal, where the
// progress of long waits is shown. `read_line`: the input of `orvactl shell`. Returns the exit
// status (the shell's: the worst of its lines); a failed write to `out` makes it kOutputFailed.
int RunOrvactl(std::span<const std::string> args, std::ostream& out, std::ostream& err,
               const WorkbenchFactory& make_workbench = MakeWorkbench, bool err_is_terminal = false,
               const LineReader& read_line = nullptr);

}  // namespace orvabridge::orvactl
