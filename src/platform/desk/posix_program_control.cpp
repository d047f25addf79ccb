// The native builds' answers: POSIX signals and /proc, for programs that run on the in-process
// desktop.
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <system_error>

#include "platform/program_control.h"

namespace orvabridge::platform {
namespace {

volatile std::sig_atomic_t stop_requested = 0;

extern "C" void OnStopSignal(int) { stop_requested = 1; }

}  // namespace

void WatchStopRequests() {
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}
bool StopRequested() { return stop_requested != 0; }
void RequestStop() { stop_requested = 1; }
void ClearStopRequest() { stop_requested = 0; }

std::string ExecutablePath() {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).string();
}

void EndProcessAbruptly(int exit_code) { ::_exit(exit_code); }

}  // namespace orvabridge::platform
