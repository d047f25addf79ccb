// ForceFore: bring a window to the foreground even when another thread owns the foreground.
#pragma once

#include "platform/window_system.h"

namespace orvabridge::appcontrol {

// Makes `window` the foreground window, attaching the foreground thread's input to the window's
// thread for the duration of the request only, then restores (when minimised) or shows it.
// True when the window is, or became, the foreground window.
bool ForceForegroundWindow(platform::WindowSystem& windows, platform::WindowHandle window);

}  // namespace orvabridge::appcontrol
