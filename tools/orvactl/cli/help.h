// orvactl's help texts.
#pragma once

#include <ostream>
#include <string>

#include "calls/commands.h"

namespace orvabridge::orvactl {

// `workbench`: the paragraph saying what the calls reach in this build.
void PrintOverview(std::ostream& out, const std::string& workbench);
void PrintCommandHelp(std::ostream& out, const CommandEntry& command);
void PrintDoctorHelp(std::ostream& out);
void PrintSupportBundleHelp(std::ostream& out);
void PrintDemoHelp(std::ostream& out, const std::string& workbench);
void PrintShellHelp(std::ostream& out, const std::string& workbench);

}  // namespace orvabridge::orvactl
