// Reading text values under HKEY_LOCAL_MACHINE through the platform's registry, for the demo's
// own installation.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace orvabridge::orvactl {

// The value as UTF-8, or nothing when the key or the value is missing or not a text.
std::optional<std::string> ReadMachineText(platform::Platform& platform, std::string_view key,
                                           std::string_view name);

}  // namespace orvabridge::orvactl
