// The body of orva-sim.exe; its Windows entry point (win_main.cpp) only hands over.
#pragma once

#include <string>
#include <vector>

namespace orvabridge::sim {

// `ansi_arguments`: the command line after the program name, in the ANSI code page, as the run
// time splits it; `show_command`: how the starter asked for the main window to be shown.
// Returns the exit code.
int RunProgram(const std::vector<std::string>& ansi_arguments, int show_command);

}  // namespace orvabridge::sim
