#include <fstream>
#include <sstream>

#include "support/test_platform.h"

namespace orvabridge::testing {

std::shared_ptr<platform::Platform> MakeTestPlatform() { return platform::DefaultPlatform(); }

std::optional<std::string> ReadTestFile(platform::Platform&, std::string_view windows_path) {
  std::ifstream file(std::string(windows_path), std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

}  // namespace orvabridge::testing
