// Lets the messages other processes send us through the user-interface privilege isolation
// filter: an elevated host would otherwise never see the imaging application's copy-data replies
// or its registered-message broadcasts. Applied to every window the backend creates; the filter
// function exists from Windows 7 on and its absence is ignored.
#pragma once

#include "platform/win32/windows_include.h"

namespace orvabridge::platform::win32 {

// A message registered through the backend: allowed on every live window and every later one.
void AllowRegisteredMessage(UINT message);
// A new window of ours: allows copy-data and every registered message, and remembers the window.
void OpenWindowFilter(HWND window);
// The window is being destroyed.
void ForgetWindowFilter(HWND window);

}  // namespace orvabridge::platform::win32
