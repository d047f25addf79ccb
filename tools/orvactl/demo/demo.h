// `orvactl demo`: a guided session through every kind of call, then text-out mode.
#pragma once

#include <ostream>

#include "output/status_line.h"
#include "workbench/workbench.h"

namespace orvabridge::orvactl {

// Prints one table row per call, then the text-out file. Calls that fail are rows too; the
// result is 0 unless the session could not be set up at all. `status`, when given, shows the
// progress of long waits.
int RunDemo(Workbench& workbench, std::ostream& out, std::ostream& err,
            StatusLine* status = nullptr);

}  // namespace orvabridge::orvactl
