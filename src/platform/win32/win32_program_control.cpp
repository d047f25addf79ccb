#include <atomic>

#include "platform/program_control.h"
#include "platform/win32/module_file.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/windows_include.h"

namespace orvabridge::platform {
namespace {

std::atomic<bool> stop_requested{false};

// Runs on a thread the system makes for the event. Answering TRUE keeps the process alive for
// Ctrl-C and Ctrl-Break; for closing the console the system still ends it a few seconds later.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      stop_requested = true;
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void WatchStopRequests() { ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }
bool StopRequested() { return stop_requested; }
void RequestStop() { stop_requested = true; }
void ClearStopRequest() { stop_requested = false; }

std::string ExecutablePath() { return win32::WideToUtf8(win32::ModuleFileName(nullptr)); }

void EndProcessAbruptly(int exit_code) {
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(exit_code));
  ::ExitProcess(static_cast<UINT>(exit_code));  // not reached
}

}  // namespace orvabridge::platform
