// A trouble that may last for hours (a text-out share that is not there yet): told when it
// starts, again at a calm interval while it lasts or at once when what is wrong changes, and once
// more when it is over. A log that said it at every look would bury everything else; one that
// said it only once would let a reader of a later part think that all is well.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "platform/window_system.h"

namespace orvabridge::relay {

class LastingTrouble {
 public:
  explicit LastingTrouble(std::chrono::milliseconds repeat_every) : repeat_every_(repeat_every) {}

  // The trouble `what` is there at `now`: true when it is to be told now.
  bool StillThere(platform::Clock::time_point now, const std::string& what);
  // The trouble is over: true once after it was told, so that its end is told too.
  bool Over();
  bool lasting() const { return told_.has_value(); }

 private:
  std::chrono::milliseconds repeat_every_;
  std::optional<std::string> told_;  // what was told last, while the trouble lasts
  platform::Clock::time_point told_at_{};
};

}  // namespace orvabridge::relay
