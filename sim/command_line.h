// The command line of orva-sim: what the simulated application looks like, what it knows at the
// start, how it misbehaves and how long it runs.
//
// Arguments come from two places: the ORVA_SIM_ARGS environment variable, then the program's own
// command line. A host that launches the imaging application passes nothing but its launch
// switches ("/NOFP /NOLOGIN"), so whoever sets up the launch (a test, a demo script) puts the
// simulator's behaviour into the environment, which the launched process inherits. Where both
// give the same option, the command line wins because it comes later.
//
// Portable and free of the platform: it only maps text onto the simulator's options.
#pragma once

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sim/faults.h"
#include "sim/simulator.h"

namespace orvabridge::sim {

inline constexpr std::string_view kArgumentsVariable = "ORVA_SIM_ARGS";

struct SimCommandLine {
  SimOptions options;
  FaultSwitches faults;
  bool demo_data = false;                               // start with the demo data set
  std::optional<std::string> data_file;                 // start with the data of this file
  std::optional<std::string> trace_file;                // "-": standard output
  std::optional<std::string> logged_in;                 // log this user in at the start
  std::optional<std::chrono::milliseconds> exit_after;  // end by itself after this long
  // Right after starting, the window thread stops looking at its messages this long: a program
  // that hangs (another maker's, whose main window has the imaging application's class).
  std::chrono::milliseconds freeze{0};
  bool verbose = false;
  // Switches that print something and end the program instead of running the simulator.
  bool help = false;
  bool version = false;
  bool data_template = false;
  // The launch switches an imaging application takes ("/NOFP", "/NOLOGIN", ...): accepted and
  // kept as given; the simulator acts on none of them.
  std::vector<std::string> launch_switches;
};

// A command line that cannot be understood; what() says which argument and why.
class CommandLineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Splits the text of ORVA_SIM_ARGS into arguments: blanks separate them, double quotes group
// blanks into one argument ("--title \"Orvanta - Room 2\""). Throws on an unclosed quote.
std::vector<std::string> SplitArguments(std::string_view text);

// `from_environment` first, then `from_command_line` (without the program name). Throws
// CommandLineError, also for options that exclude each other (--data and --demo-data). The command
// line's own arguments, joined by blanks, become options.launch_arguments, the way the application
// would see its command line.
SimCommandLine ParseCommandLine(const std::vector<std::string>& from_environment,
                                const std::vector<std::string>& from_command_line);

// The help text of --help.
std::string Usage();

}  // namespace orvabridge::sim
