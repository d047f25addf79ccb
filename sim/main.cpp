// orva-sim: the simulated imaging application as a program of its own, so that the library can
// find it, launch it and talk to it across processes as it does with the real application.
// The entry point is in win_main.cpp.
//
// It runs until its main window is closed or --exit-after-ms has passed, and prints nothing
// unless --verbose or --trace -. Exit codes (sim/startup.h): 0 after a normal end, 1 when the
// simulator cannot start, 2 for a command line, data file or trace file it cannot use.
#include <algorithm>
#include <chrono>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "sim/demo_seed.h"
#include "sim/program.h"
#include "sim/request_trace.h"
#include "sim/simulator.h"
#include "sim/startup.h"

namespace {

using namespace orvabridge;
using platform::Clock;

// The main window belongs to the simulator's thread, and nothing tells another thread that a
// window went away; the wait for the end looks this often.
constexpr std::chrono::milliseconds kWindowCheckInterval{50};

enum class End { kWindowClosed, kTimeUp, kSimulatorStopped };

const char* Describe(End end) {
  switch (end) {
    case End::kWindowClosed:
      return "main window closed";
    case End::kTimeUp:
      return "--exit-after-ms passed";
    case End::kSimulatorStopped:
      return "simulator stopped";
  }
  return "";
}

End WaitForEnd(platform::WindowSystem& windows, const sim::Simulator& simulator,
               std::optional<std::chrono::milliseconds> exit_after) {
  const platform::Deadline deadline =
      exit_after ? Clock::now() + *exit_after : platform::Deadline::max();
  for (;;) {
    if (!simulator.running()) return End::kSimulatorStopped;
    if (!windows.IsWindow(simulator.main_window())) return End::kWindowClosed;
    const auto now = Clock::now();
    if (now >= deadline) return End::kTimeUp;
    std::this_thread::sleep_for(std::min<Clock::duration>(kWindowCheckInterval, deadline - now));
  }
}

// The program's own arguments as UTF-8: the run time hands them over in the ANSI code page.
std::vector<std::string> ProgramArguments(const std::vector<std::string>& ansi_arguments,
                                          platform::CodePage& ansi) {
  std::vector<std::string> arguments;
  for (const std::string& argument : ansi_arguments) arguments.push_back(ansi.FromAnsi(argument));
  return arguments;
}

void Report(const sim::Simulator& simulator, const sim::SimCommandLine& line) {
  const sim::SimOptions& options = simulator.options();
  std::cout << "orva-sim: " << options.name << ' ' << options.version_major << '.'
            << options.version_minor << '.' << options.version_build << " running; main window 0x"
            << std::hex << simulator.main_window().value << " (" << options.main_window_class
            << "), control window 0x" << simulator.control_window().value << std::dec << '\n'
            << "orva-sim: command line: " << options.launch_arguments << '\n';
  if (line.demo_data) std::cout << "orva-sim: demo data loaded\n";
  if (line.data_file) std::cout << "orva-sim: data loaded from " << *line.data_file << '\n';
  if (line.trace_file) std::cout << "orva-sim: tracing to " << *line.trace_file << '\n';
  if (line.logged_in) std::cout << "orva-sim: logged in: " << *line.logged_in << '\n';
  std::cout << std::flush;
}

}  // namespace

int orvabridge::sim::RunProgram(const std::vector<std::string>& ansi_arguments, int show_command) {
  const std::shared_ptr<platform::Platform> platform = platform::DefaultPlatform();

  // Never a message box for a mistake: a launched simulator that waits for a click would hang
  // its host.
  sim::Startup startup =
      sim::PrepareStartup(platform->System().Environment(sim::kArgumentsVariable).value_or(""),
                          ProgramArguments(ansi_arguments, platform->AnsiCodePage()), std::cout,
                          std::cerr, platform->AnsiCodePage());
  if (startup.exit_code) return *startup.exit_code;
  sim::SimCommandLine& line = startup.line;

  line.options.show_command = show_command;
  sim::Simulator simulator(platform, line.options);
  if (startup.data) simulator.SetModel(std::move(*startup.data));
  if (line.logged_in) sim::LogInAtStart(simulator, *line.logged_in);
  simulator.SetFaults(line.faults);
  if (startup.trace) {
    simulator.SetObserver(
        std::make_shared<sim::RequestTrace>(startup.trace, platform->AnsiCodePage()));
  }
  try {
    simulator.Start();
  } catch (const std::exception& error) {
    std::cerr << "orva-sim: cannot start: " << error.what() << std::endl;
    return sim::kExitCannotStart;
  }
  if (line.verbose) Report(simulator, line);
  if (line.freeze.count() > 0) simulator.Freeze(line.freeze);

  const End end = WaitForEnd(platform->Windows(), simulator, line.exit_after);
  simulator.Stop();
  if (line.verbose) {
    std::cout << "orva-sim: " << Describe(end) << "; " << simulator.Requests().size()
              << " requests and " << simulator.AttachRequestCount() << " attach broadcasts received"
              << std::endl;
  }
  return sim::kExitNormal;
}
