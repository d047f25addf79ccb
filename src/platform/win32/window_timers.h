// Per-window system timers whose ticks reach a TimerProc. The system timer callback only gets the
// window and the identifier, so each thread keeps a table (window, id) -> TimerProc; timers belong
// to the thread of their window, which is also the only thread that sees their ticks.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/win32/windows_include.h"
#include "platform/window_system.h"

namespace orvabridge::platform::win32 {

// Starts or restarts the timer `id` of `window` (a window of the calling thread).
bool StartWindowTimer(HWND window, uintptr_t id, std::chrono::milliseconds interval,
                      TimerProc proc);
void StopWindowTimer(HWND window, uintptr_t id);
// Drops the calling thread's table entries of a window that is being destroyed.
void ForgetWindowTimers(HWND window);

}  // namespace orvabridge::platform::win32
