// HWND <-> WindowHandle. Window handles have 32 significant bits on every Windows, also in 64-bit
// processes; widening sign-extends them, the way the system converts a handle that travelled as
// a 32-bit value.
#pragma once

#include <cstdint>

#include "platform/win32/windows_include.h"
#include "platform/window_system.h"

namespace orvabridge::platform::win32 {

inline HWND ToHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(window.value)));
}

inline WindowHandle FromHwnd(HWND hwnd) {
  return WindowHandle(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd)));
}

}  // namespace orvabridge::platform::win32
