// Windows of our own: one window class per requested class name, all sharing one window
// procedure that hands each message to the MessageHandler the window was made with.
#pragma once

#include "platform/win32/windows_include.h"
#include "platform/window_system.h"

namespace orvabridge::platform::win32 {

// Creates a window of the calling thread whose messages go to `on_message`. Returns null on
// failure (the handler is then released). The handler lives until the window is destroyed.
HWND CreateHandledWindow(const WindowBlueprint& blueprint, MessageHandler on_message);

// The message that asks one of our windows to destroy itself, posted by PostDestroy and handled
// by the window procedure itself (the window's handler never sees it). 0 when the system could
// not register it.
UINT DestroyRequestMessage();

}  // namespace orvabridge::platform::win32
