// Time-outs of the library. Production uses the documented values; tests scale them down so that
// a 20-second wait takes milliseconds, never by sleeping through the real time.
#pragma once

#include <chrono>

namespace orvabridge::channel {

struct Timing {
  // Every documented time-out and pause is multiplied by this factor.
  double scale = 1.0;
  // How often a wait re-checks that the target window still exists: no message tells us that a
  // window of another process went away, so the blocking wait wakes up this often to look.
  std::chrono::milliseconds window_check_interval{50};
  // How long a window of the host's own process with the imaging application's class may take to
  // tell its title during a search; one that takes longer counts as untitled. Other processes'
  // titles are read from the window manager without asking them.
  std::chrono::milliseconds title_read_limit{300};
  // The longest a request that awaits no reply may take to be handed over (scaled): the usual
  // request time-out.
  double unanswered_send_seconds = 20.0;

  std::chrono::steady_clock::duration Scaled(double seconds) const {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(seconds * scale));
  }
};

}  // namespace orvabridge::channel
