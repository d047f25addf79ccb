// Where a program looks for DLLs that it loads by name.
#pragma once

namespace orvabridge::platform {

// For a program's start (never from inside a DLL, whose host owns this setting): DLLs loaded by
// name come from the system folder only, never from the program's folder or the current folder,
// which at a practice are often a share where a planted DLL could wait. The DLLs of the import
// table are not affected; our programs import only DLLs that Windows always takes from the system
// folder (its known DLLs). Does nothing where there are no DLLs.
void LoadDllsFromSystemFolderOnly();

}  // namespace orvabridge::platform
