#include "platform/dll_search.h"

namespace orvabridge::platform {

void LoadDllsFromSystemFolderOnly() {}

}  // namespace orvabridge::platform
