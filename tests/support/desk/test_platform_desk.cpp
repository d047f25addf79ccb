#include <fstream>
#include <sstream>

#include "platform/desk/desk_services.h"
#include "platform/desk/desktop.h"
#include "support/test_platform.h"

namespace orvabridge::testing {

std::shared_ptr<platform::Platform> MakeTestPlatform() { return platform::desk::Desktop::Create(); }

void SetTestEnvironment(platform::Platform& platform, const char* name,
                        std::optional<std::string> value) {
  static_cast<platform::desk::DeskSystem&>(platform.System()).SetEnvironment(name, value);
}

std::optional<std::string> ReadTestFile(platform::Platform& platform,
                                        std::string_view windows_path) {
  auto& desktop = static_cast<platform::desk::Desktop&>(platform);
  std::ifstream file(desktop.HostPath(windows_path), std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

}  // namespace orvabridge::testing
