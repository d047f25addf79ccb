// The platform the behaviour tests run on: a fresh in-process desktop in native builds, the real
// Win32 platform in Windows builds (run under Wine).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace orvabridge::testing {

std::shared_ptr<platform::Platform> MakeTestPlatform();

// The bytes of a file named by its Windows path; nullopt when it does not exist.
std::optional<std::string> ReadTestFile(platform::Platform& platform,
                                        std::string_view windows_path);

// Sets (or, with nullopt, removes) a variable of the environment the library reads.
void SetTestEnvironment(platform::Platform& platform, const char* name,
                        std::optional<std::string> value);

// Writes a REG_SZ value (ANSI text plus its terminator), creating the key when needed.
void WriteRegistryString(platform::Platform& platform, platform::RegistryRoot root,
                         std::string_view key, std::string_view name, std::string_view text);

}  // namespace orvabridge::testing
