#include "platform/dll_search.h"
#include "platform/win32/windows_include.h"

namespace orvabridge::platform {

void LoadDllsFromSystemFolderOnly() {
  // Also takes the current folder out of the search of LoadLibrary, which the default search
  // would try after the system folders.
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace orvabridge::platform
