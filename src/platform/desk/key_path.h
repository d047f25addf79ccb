// Registry key paths as RegOpenKeyEx reads them, for the desktop's registry and its .reg reader.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvabridge::platform::desk {

// The components of a key path: one trailing backslash is ignored; a leading backslash or an
// empty component makes the path malformed (nullopt); "" is the root key itself (no components).
inline std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path) {
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  std::vector<std::string> parts;
  if (path.empty()) return parts;
  size_t start = 0;
  for (;;) {
    const size_t end = path.find('\\', start);
    const std::string_view part = path.substr(start, end - start);
    if (part.empty()) return std::nullopt;
    parts.emplace_back(part);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

}  // namespace orvabridge::platform::desk
