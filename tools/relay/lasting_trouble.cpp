#include "lasting_trouble.h"

namespace orvabridge::relay {

bool LastingTrouble::StillThere(platform::Clock::time_point now, const std::string& what) {
  if (told_ && *told_ == what && now - told_at_ < repeat_every_) return false;
  told_ = what;
  told_at_ = now;
  return true;
}

bool LastingTrouble::Over() {
  const bool was_told = told_.has_value();
  told_.reset();
  return was_told;
}

}  // namespace orvabridge::relay
