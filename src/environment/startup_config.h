// GetComputerOrClientName: installation values, computer and workstation names, text-out mode.
#pragma once

#include <string>
#include <string_view>

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

// "Software\<vendor>\<application>", the key below which the settings live.
std::string SettingsBaseKey(std::string_view vendor_key, std::string_view application_key);

// The text-out folder as configured ("OrvabridgeTXTOUT", spaces trimmed), before the
// workstation's exceptions apply; empty when none is set.
std::string ConfiguredTextOutFolder(SettingsReader& settings);

// Whether a workstation name may become a folder and a file name below the text-out folder:
// nothing that could reach outside it.
bool IsSafeFileName(std::string_view name);

// Runs the whole routine. A missing class library sets `class_library_missing` and changes
// nothing else; any other failure shows the "Orvabridge.GetComputerOrClientName ERROR: " box and
// the routine goes on with the next step. Returns true when text-out mode is on, in which case
// the caller starts a new empty call log and a new 250 ms LinkTimer.
bool LoadStartupConfiguration(platform::Platform& platform, SettingsReader& settings,
                              StartupTarget target);

}  // namespace orvabridge::environment
