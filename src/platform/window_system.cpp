#include "platform/window_system.h"

#include <algorithm>

namespace orvabridge::platform {

std::vector<std::vector<WindowHandle>> WindowSystem::FindWindowsOfClasses(
    std::span<const std::string> classes) {
  std::vector<std::vector<WindowHandle>> found(classes.size());
  const auto sort_in = [&](WindowHandle window) {
    const std::string name = ClassName(window);
    const auto match = std::find(classes.begin(), classes.end(), name);
    if (match != classes.end())
      found[static_cast<size_t>(match - classes.begin())].push_back(window);
  };
  ForEachTopLevel([&](WindowHandle top) {
    sort_in(top);
    ForEachDescendant(top, sort_in);
  });
  return found;
}

}  // namespace orvabridge::platform
