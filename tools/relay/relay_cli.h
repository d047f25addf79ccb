// orva-relay's command line: options, the autostart entry, the run and its exit status.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace orvabridge::relay {

namespace relay_exit {
inline constexpr int kDone = 0;        // every line there was is replayed or set aside
inline constexpr int kCannotWork = 1;  // the relay's folder or files, this workstation writes
                                       // text-out, or a build without the machine's platform
inline constexpr int kUsage = 2;       // the command line is wrong
inline constexpr int kWaiting = 3;     // --once: lines remain for an application or file that
                                       // stayed unavailable; a later run goes on with them
}  // namespace relay_exit

// The value name of the autostart entry below the user's Run key.
inline constexpr const char* kAutostartValue = "Orvabridge relay";
inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Runs orva-relay with `args` (without the program's name) on the platform `make_platform` gives.
// Progress and errors go to `err`; --help and --version to `out`. Without a platform (an empty
// function) only --help, --version and a wrong command line are answered; everything else is
// refused with one line and kCannotWork.
int RunRelay(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             const std::function<std::shared_ptr<platform::Platform>()>& make_platform);

// What the program works on in this build: the machine's own Win32 platform on Windows. A native
// build has nothing of the machine to offer (its platform is the in-process desktop, whose
// folders, registry and windows are its own) and gives an empty function, so that orva-relay
// refuses instead of reporting work that reached nothing.
std::function<std::shared_ptr<platform::Platform>()> MachinePlatform();

// A command line word quoted so that the Windows rules give it back unchanged.
std::string QuoteArgument(const std::string& word);

}  // namespace orvabridge::relay
