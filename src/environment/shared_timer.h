// MSharedTimer: the one timer callback of every CTimer, and the window a CTimer attaches to.
#pragma once

#include <cstdint>

#include "platform/window_system.h"

namespace orvabridge::environment {

class CTimer;

// Registers a live timer of this thread and returns its identifier; Unregister forgets it.
uintptr_t RegisterTimer(CTimer* timer);
void UnregisterTimer(uintptr_t id);
// The callback handed to the window system: finds the timer by identifier and raises its event.
void TimerProc(platform::WindowHandle window, uintptr_t id);
// First top-level window of the calling thread without an owner, or 0.
platform::WindowHandle FindThreadWindow(platform::WindowSystem& windows);

}  // namespace orvabridge::environment
