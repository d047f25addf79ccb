// Lets the in-process desktop "start" the simulated imaging application from an executable path,
// the way the library launches the real one. Built only where the desktop is the platform.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/desk/desktop.h"
#include "sim/simulator.h"

namespace orvabridge::sim {

// Registers `exe_path` with the desktop. Each start of that program starts a new Simulator with
// `options`, the command line's arguments as `launch_arguments` and the start's show command.
// The launcher holds the desktop weakly (the desktop holds the launcher); the simulators it
// starts hold it strongly and live until ShutdownInstalledSimulators or the end of the process.
void InstallOnDesktop(const std::shared_ptr<platform::desk::Desktop>& desktop, std::string exe_path,
                      SimOptions options);

// The simulators started through installed launchers, oldest first.
std::vector<std::shared_ptr<Simulator>> InstalledSimulators();

// Stops and forgets every simulator started through an installed launcher.
void ShutdownInstalledSimulators();

}  // namespace orvabridge::sim
