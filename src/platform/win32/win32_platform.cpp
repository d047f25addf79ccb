#include "platform/win32/win32_platform.h"

namespace orvabridge::platform {

std::shared_ptr<Platform> DefaultPlatform() {
  // The services hold no per-instance state (windows, timers and the message-box redirect are
  // per process or per thread in the system anyway), so one instance serves everybody.
  static const std::shared_ptr<Platform> platform = std::make_shared<win32::Win32Platform>();
  return platform;
}

}  // namespace orvabridge::platform
