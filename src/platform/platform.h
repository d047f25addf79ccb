// The bundle of OS services an Appl object (or the simulator) is handed when it is made.
#pragma once

#include <memory>

#include "platform/code_page.h"
#include "platform/database.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system_services.h"
#include "platform/window_system.h"

namespace orvabridge::platform {

class Platform {
 public:
  virtual ~Platform() = default;
  virtual WindowSystem& Windows() = 0;
  virtual Registry& Reg() = 0;
  virtual FileSystem& Files() = 0;
  virtual SystemServices& System() = 0;
  virtual CodePage& AnsiCodePage() = 0;
  virtual Database& Databases() = 0;
};

// The platform of the build: real Win32 on Windows, the process-wide in-process desktop
// elsewhere.
std::shared_ptr<Platform> DefaultPlatform();

}  // namespace orvabridge::platform
