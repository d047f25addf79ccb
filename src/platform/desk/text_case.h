// Case-insensitive names on the desktop (registry keys, environment, paths, message names) are
// compared in lower case, as ASCII.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace orvabridge::platform::desk {

inline std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace orvabridge::platform::desk
