// Text values read from registry keys the way the ANSI registry calls deliver them: raw bytes in
// the system code page, with the final terminator removed.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/registry.h"

namespace orvabridge::environment {

// One query into a buffer of `capacity` bytes. nullopt when the query fails (absent, denied, data
// larger than the buffer) or the value's type is not one of `accepted`. The result holds the data
// bytes without the final zero byte; data stored without a terminator are kept whole.
std::optional<std::string> QueryAnsiText(platform::RegistryKey& key, std::string_view name,
                                         uint32_t capacity,
                                         std::initializer_list<uint32_t> accepted);

// Asks for the data's size first and reads into a buffer of that size, or of `minimum_capacity`
// when that is larger, so values of any length are read whole.
std::optional<std::string> QueryAnsiTextAnySize(platform::RegistryKey& key, std::string_view name,
                                                uint32_t minimum_capacity,
                                                std::initializer_list<uint32_t> accepted);

// ANSI to UTF-8. Zero characters (the separators of a multi-string) stay where they are, whatever
// the code page's converter does with embedded zeros.
std::string AnsiToUtf8(platform::CodePage& code_page, std::string_view ansi);

}  // namespace orvabridge::environment
