// `orvactl doctor`: a checklist of what a host needs to reach the imaging application, for the
// support desk. One line per check with OK, WARN or FAIL (or N/A where a check cannot apply, as
// for Windows' own checks on the in-process desktop), and for every line that is WARN or FAIL what
// to do about it. It only looks: no registry write, no launch, no file (the library runs on a
// ReadOnlyPlatform of the machine).
#pragma once

#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "channel/timing.h"
#include "platform/machine_survey.h"
#include "platform/platform.h"

namespace orvabridge::orvactl {

// Ordered by severity; kNotApplicable is neither good nor bad and counts towards nothing.
enum class CheckStatus { kNotApplicable, kOk, kWarn, kFail };

struct CheckLine {
  int number = 0;
  std::string_view topic;  // a word per check: "process", "class-library", ...
  CheckStatus status = CheckStatus::kOk;
  std::string finding;               // one line: what was found
  std::string remedy;                // one line: what to do; empty when OK
  std::vector<std::string> details;  // further facts, for the JSON report
};

struct DoctorOptions {
  channel::Timing timing;                         // the library's time-outs (tests shorten)
  std::chrono::milliseconds probe_limit{1000};    // how long a window may take to answer
  std::chrono::seconds database_limit{5};         // the database login's time-out
  std::chrono::milliseconds database_wait{7000};  // the longest wait for the connection
  // The native build's in-process desktop: the checks of Windows itself (the process's registry
  // view, the automation server's registration) cannot apply there.
  bool simulated_desktop = false;
};

// Runs the checks in their order: process and registry view, class library, settings and
// text-out mode, the application's windows, attaching without launch, session and version, the
// automation server's registration, the database connection, the trace, the incidents of the
// last seven days.
std::vector<CheckLine> RunDoctor(std::shared_ptr<platform::Platform> machine,
                                 platform::MachineSurvey& survey,
                                 const DoctorOptions& options = {});

std::string_view StatusWord(CheckStatus status);  // "OK", "WARN", "FAIL", "N/A"
bool AnyFailed(const std::vector<CheckLine>& lines);

// The line that opens the report on the in-process desktop.
inline constexpr std::string_view kSimulatedDesktopNote =
    "This is the in-process desktop of the native build: a simulation, not a Windows machine. "
    "The registry, windows and files below are the simulation's; checks of Windows itself say "
    "N/A.";

// One line per check and a remedy line under each that is WARN or FAIL, then a count; first the
// simulation's note when `simulated_desktop`.
void PrintDoctorText(const std::vector<CheckLine>& lines, std::ostream& out,
                     bool simulated_desktop = false);
// {"summary":{"ok":N,"warn":N,"fail":N,"not_applicable":N},"simulated_desktop":false,
//  "checks":[{"number":1,"check":"process",...}]}
void PrintDoctorJson(const std::vector<CheckLine>& lines, std::ostream& out,
                     bool simulated_desktop = false);

}  // namespace orvabridge::orvactl
