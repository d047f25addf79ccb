#include "support/test_platform.h"

#include <cstring>
#include <string>
#include <vector>

namespace orvabridge::testing {

void WriteRegistryString(platform::Platform& platform, platform::RegistryRoot root,
                         std::string_view key, std::string_view name, std::string_view text) {
  auto handle = platform.Reg().CreateKey(root, key, "", platform::kKeyCreate);
  if (!handle) throw std::runtime_error("cannot create registry key " + std::string(key));
  const std::string ansi = platform.AnsiCodePage().ToAnsi(text);
  std::vector<std::byte> data(ansi.size() + 1);
  std::memcpy(data.data(), ansi.data(), ansi.size());
  handle->SetValue(name, platform::kRegSz, data);
}

}  // namespace orvabridge::testing
