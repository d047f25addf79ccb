#include "platform/system_services.h"

namespace orvabridge::platform {

std::optional<std::string> SystemServices::LocalAppDataFolder() {
  auto folder = Environment("LOCALAPPDATA");
  if (!folder || folder->empty()) return std::nullopt;
  return folder;
}

}  // namespace orvabridge::platform
