#include <fstream>
#include <sstream>

#include "platform/win32/win32_registry.h"
#include "platform/win32/windows_include.h"
#include "support/test_platform.h"

namespace orvabridge::testing {

// The real registry outlives every test: each test starts without the keys tests write, so that
// no setting of an earlier test (text-out mode, an installation) leaks into the next.
std::shared_ptr<platform::Platform> MakeTestPlatform() {
  auto platform = platform::DefaultPlatform();
  auto& registry = static_cast<platform::win32::Win32Registry&>(platform->Reg());
  for (const auto root :
       {platform::RegistryRoot::kCurrentUser, platform::RegistryRoot::kLocalMachine}) {
    for (const char* key : {"Software\\Orvaclass", "Software\\Orvadent", "Software\\Acme",
                            "Software\\Orvabridge Tests"}) {
      registry.DeleteTree(root, key);
    }
  }
  return platform;
}

void SetTestEnvironment(platform::Platform&, const char* name, std::optional<std::string> value) {
  ::SetEnvironmentVariableA(name, value ? value->c_str() : nullptr);
}

std::optional<std::string> ReadTestFile(platform::Platform&, std::string_view windows_path) {
  std::ifstream file(std::string(windows_path), std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

}  // namespace orvabridge::testing
