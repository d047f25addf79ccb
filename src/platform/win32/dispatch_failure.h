// Failures thrown by our window handlers and timer callbacks. C++ exceptions must not unwind
// through the system's frames (DispatchMessage, SendMessage, the timer machinery), so the window
// procedure catches them, keeps the first one for the thread, and the backend call that ran the
// dispatch (pump, send, destroy, ...) throws it again once the system has returned.
#pragma once

namespace orvabridge::platform::win32 {

// Call inside a catch block: keeps the exception being handled unless one is already waiting.
void KeepDispatchFailure() noexcept;
// Throws the waiting failure of the calling thread, if any, and forgets it.
void RethrowDispatchFailure();

}  // namespace orvabridge::platform::win32
