// The native workbench: the in-process desktop with a simulated imaging application registered as
// the installed executable, so that InitApplication launches it as it would launch the real one.
#pragma once

#include <memory>

#include "platform/desk/desktop.h"
#include "workbench.h"

namespace orvabridge::orvactl {

inline constexpr const char* kDeskExecutable = "C:\\Program Files\\Orvanta\\Orvanta.exe";

// Installs the class library's registry key and the simulator on `desktop`. The workbench stops
// every simulator it started when it goes away.
std::unique_ptr<Workbench> MakeDeskWorkbench(std::shared_ptr<platform::desk::Desktop> desktop);

}  // namespace orvabridge::orvactl
