// orva-relay on Windows works on the machine itself.
#include "relay_cli.h"

namespace orvabridge::relay {

std::function<std::shared_ptr<platform::Platform>()> MachinePlatform() {
  return platform::DefaultPlatform;
}

}  // namespace orvabridge::relay
