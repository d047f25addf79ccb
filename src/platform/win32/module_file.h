// The full path of a loaded module (a DLL, or the program itself for nullptr), however long.
#pragma once

#include <string>

#include "platform/win32/windows_include.h"

namespace orvabridge::platform::win32 {

// Empty when the system cannot say.
std::wstring ModuleFileName(HMODULE module);

}  // namespace orvabridge::platform::win32
