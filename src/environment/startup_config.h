// GetComputerOrClientName: installation values, computer and workstation names, text-out mode.
#pragma once

#include <string>

#include "environment/installation.h"
#include "environment/settings.h"
#include "platform/platform.h"

namespace orvabridge::environment {

// What the routine fills: the object's fields and the thread-wide installation values.
struct StartupTarget {
  std::string& computer_name;
  std::string& workstation_name;
  std::string& text_out_setting;
  Installation& installation;
};

// Runs the whole routine. A missing class library sets `class_library_missing` and changes
// nothing else; any other failure shows the "Orvabridge.GetComputerOrClientName ERROR: " box and
// the routine goes on with the next step. Returns true when text-out mode is on, in which case
// the caller starts a new empty call log and a new 250 ms LinkTimer.
bool LoadStartupConfiguration(platform::Platform& platform, SettingsReader& settings,
                              StartupTarget target);

}  // namespace orvabridge::environment
