#include "channel/replies.h"

namespace orvabridge::channel {

std::string AttachReply::VersionText() const {
  return std::to_string(version_major) + "." + std::to_string(version_minor) + "." +
         std::to_string(version_build);
}

}  // namespace orvabridge::channel
