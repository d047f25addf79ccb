#include "machine_settings.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace orvabridge::orvactl {

std::optional<std::string> ReadMachineText(platform::Platform& platform, std::string_view key,
                                           std::string_view name) {
  auto opened =
      platform.Reg().OpenKey(platform::RegistryRoot::kLocalMachine, key, platform::kKeyRead);
  if (!opened) return std::nullopt;
  uint32_t type = 0;
  uint32_t length = 0;
  if (opened->QueryValue(name, type, nullptr, length) != platform::RegStatus::kOk ||
      type != platform::kRegSz) {
    return std::nullopt;
  }
  std::vector<std::byte> data(length);
  if (opened->QueryValue(name, type, data.data(), length) != platform::RegStatus::kOk) {
    return std::nullopt;
  }
  std::string ansi(reinterpret_cast<const char*>(data.data()),
                   std::min<size_t>(length, data.size()));
  // Stored with its terminator; a text may also stop early.
  if (const size_t zero = ansi.find('\0'); zero != std::string::npos) ansi.resize(zero);
  return platform.AnsiCodePage().FromAnsi(ansi);
}

}  // namespace orvabridge::orvactl
