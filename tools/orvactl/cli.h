// orvactl's entry: reads the command line, sets up the workbench and runs a command or the demo.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <string>

#include "workbench.h"

namespace orvabridge::orvactl {

namespace exit_status {
inline constexpr int kSuccess = 0;
inline constexpr int kOtherResult = 1;
inline constexpr int kUsage = 2;
inline constexpr int kAutomationError = 3;
inline constexpr int kSetupFailed = 4;
}  // namespace exit_status

using WorkbenchFactory = std::function<std::unique_ptr<Workbench>()>;

// `args` without the program name. Returns the exit status.
int RunOrvactl(std::span<const std::string> args, std::ostream& out, std::ostream& err,
               const WorkbenchFactory& make_workbench = MakeWorkbench);

}  // namespace orvabridge::orvactl
