// The server module's own state: its instance handle, and the counts of live objects and server
// locks that decide whether the system may unload it.
#pragma once

#include <string>

#include "com/com_include.h"

namespace orvabridge::com {

void SetModuleInstance(HINSTANCE instance);
HINSTANCE ModuleInstance();
// Full path of this DLL, as registered under InprocServer32 and as the type library's file.
std::wstring ModulePath();

void AddObject();
void RemoveObject();
void LockModule();
void UnlockModule();
bool CanUnloadModule();

// Keeps the DLL loaded for the rest of the process. The link objects leave things behind that
// outlive every object: window classes whose procedure lives here, per-thread state with
// destructors, timers. Unloading the code under them would crash the host later.
void PinModule();

}  // namespace orvabridge::com
