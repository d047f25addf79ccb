#include "channel/exchange.h"

#include <algorithm>

namespace orvabridge::channel {

using platform::Clock;

platform::Deadline Exchanger::DeadlineIn(double seconds) const {
  return Clock::now() + timing_.Scaled(seconds);
}

void Exchanger::Send(uint32_t code, std::span<const std::byte> record) {
  // The send returns once the imaging application has handled the request; a reply it sends
  // meanwhile is unpacked on this thread before the send returns.
  windows_.SendCopyData(target_window_, reply_window_, code, record);
}

ExchangeResult Exchanger::Exchange(uint32_t code, std::span<const std::byte> record,
                                   double timeout_seconds, WatchWindow watch) {
  holding_.reply_code = 0;
  Send(code, record);
  return Wait(DeadlineIn(timeout_seconds), watch);
}

ExchangeResult Exchanger::Wait(platform::Deadline deadline, WatchWindow watch) {
  const Outcome outcome =
      WaitFor([this] { return holding_.reply_code != 0; }, deadline, watch);
  if (outcome == Outcome::kReply) return {Outcome::kReply, holding_.reply_code};
  return {outcome, 0};
}

Outcome Exchanger::WaitFor(const std::function<bool()>& arrived, platform::Deadline deadline,
                           WatchWindow watch) {
  for (;;) {
    // A quit request stays queued for the host's own loop; waiting on would only wake up for it
    // again and again, so it ends the wait like its deadline.
    const bool quit_requested = !windows_.PumpMessages();
    if (watch == WatchWindow::kYes && !windows_.IsWindow(target_window_)) {
      return Outcome::kWindowGone;
    }
    const bool past_deadline = Clock::now() > deadline;
    // A reply unpacked in the same turn in which the deadline passed still counts as the reply.
    if (arrived()) return Outcome::kReply;
    if (past_deadline || quit_requested) return Outcome::kTimeout;
    BlockUntilNextTurn(deadline, watch);
  }
}

void Exchanger::BlockUntilNextTurn(platform::Deadline deadline, WatchWindow watch) {
  // No message announces that a window of another process went away, so a wait that watches the
  // control window wakes up now and then to look; otherwise it sleeps until a message arrives.
  auto wake = deadline;
  if (watch == WatchWindow::kYes) {
    wake = std::min(wake, Clock::now() + timing_.window_check_interval);
  }
  windows_.WaitForMessage(wake);
}

void Exchanger::PumpFor(double seconds) {
  const auto until = DeadlineIn(seconds);
  for (;;) {
    if (!windows_.PumpMessages()) return;  // the host is quitting
    if (Clock::now() >= until) return;
    windows_.WaitForMessage(until);
  }
}

}  // namespace orvabridge::channel
