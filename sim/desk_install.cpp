#include "sim/desk_install.h"

#include <mutex>
#include <utility>

namespace orvabridge::sim {

namespace {

struct StartedSimulators {
  std::mutex mutex;
  std::vector<std::shared_ptr<Simulator>> simulators;
};

StartedSimulators& Started() {
  static StartedSimulators started;
  return started;
}

}  // namespace

void InstallOnDesktop(const std::shared_ptr<platform::desk::Desktop>& desktop, std::string exe_path,
                      SimOptions options) {
  std::weak_ptr<platform::desk::Desktop> weak_desktop = desktop;
  desktop->RegisterProgram(
      std::move(exe_path), [weak_desktop, options](const std::string& arguments, int show_command) {
        std::shared_ptr<platform::desk::Desktop> desk = weak_desktop.lock();
        if (!desk) return false;
        SimOptions launched = options;
        launched.launch_arguments = arguments;
        launched.show_command = show_command;
        auto simulator = std::make_shared<Simulator>(desk, std::move(launched));
        try {
          simulator->Start();
        } catch (const std::exception&) {
          return false;
        }
        // A started program is a process of its own: its windows' captions are read without
        // asking its thread, as they are of any other program.
        desk->SetThreadProcess(desk->Windows().WindowThread(simulator->main_window()),
                               desk->NewProcess());
        StartedSimulators& started = Started();
        std::lock_guard lock(started.mutex);
        started.simulators.push_back(std::move(simulator));
        return true;
      });
}

std::vector<std::shared_ptr<Simulator>> InstalledSimulators() {
  StartedSimulators& started = Started();
  std::lock_guard lock(started.mutex);
  return started.simulators;
}

void ShutdownInstalledSimulators() {
  std::vector<std::shared_ptr<Simulator>> stopping;
  {
    StartedSimulators& started = Started();
    std::lock_guard lock(started.mutex);
    stopping.swap(started.simulators);
  }
  // Stopped outside the lock: stopping sends a message and waits for the simulator's thread.
  for (const auto& simulator : stopping) simulator->Stop();
}

}  // namespace orvabridge::sim
