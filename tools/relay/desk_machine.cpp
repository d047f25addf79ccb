// A native orva-relay has no machine to work on: the in-process desktop is a model with folders,
// a registry and windows of its own, where a replay would reach no imaging application and an
// autostart entry no logon. The tests drive the relay on a desktop they set up themselves.
#include "relay_cli.h"

namespace orvabridge::relay {

std::function<std::shared_ptr<platform::Platform>()> MachinePlatform() { return {}; }

}  // namespace orvabridge::relay
