// What a long-running console program asks of the system about itself: to hear that the user
// wants it to stop, where its own executable is, and to end at once as if it were killed.
#pragma once

#include <string>

namespace orvabridge::platform {

// From now on Ctrl-C, Ctrl-Break and closing the console (Windows), or SIGINT and SIGTERM
// (elsewhere), no longer end the process; they set the flag that StopRequested reads. The
// program checks it between steps, so a step in progress is finished first.
void WatchStopRequests();
bool StopRequested();
// Sets the flag as the handler would; for the program's own reasons and for tests.
void RequestStop();
void ClearStopRequest();

// The full path of the running program.
std::string ExecutablePath();

// Ends the process now, without running destructors or flushing anything: what a kill does.
[[noreturn]] void EndProcessAbruptly(int exit_code);

}  // namespace orvabridge::platform
