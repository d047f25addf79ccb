#include "channel/exchange.h"

#include <algorithm>

#include "channel/protocol.h"

namespace orvabridge::channel {

using platform::Clock;

// WM_NULL: every window handles it, and doing so changes nothing.
constexpr platform::MessageId kEmptyMessage = 0;

platform::Deadline Exchanger::DeadlineIn(double seconds) const {
  return Clock::now() + timing_.Scaled(seconds);
}

platform::SendStatus Exchanger::Deliver(uint32_t code, std::span<const std::byte> record,
                                        platform::Deadline limit, bool awaits_reply) {
  using platform::SendStatus;
  if (application_behind_) {
    // The application handles sent messages in order: an empty one comes back only after the
    // request it still had queued. A late reply to that is on its way to this thread by then (the
    // application may handle the empty message while it waits for its reply to be taken), so
    // what was sent here meanwhile is taken before going on.
    const auto caught_up = windows_.Send(target_window_, kEmptyMessage, 0, 0, limit);
    if (caught_up.status == SendStatus::kTimedOut || caught_up.status == SendStatus::kHung) {
      return SendStatus::kTimedOut;
    }
    windows_.HandleSentMessages();
    application_behind_ = false;
  }
  // A stale reply that arrived while the application caught up was unpacked, but it cannot end
  // this request's wait: ReplyCode is reset only now.
  if (awaits_reply) holding_.reply_code = 0;
  // The send returns once the imaging application has handled the request; a reply it sends
  // meanwhile is unpacked on this thread before the send returns.
  const auto sent = windows_.SendCopyData(target_window_, reply_window_, code, record, limit);
  if (sent.status == SendStatus::kTimedOut) application_behind_ = true;
  return sent.status;
}

void Exchanger::Report(ExchangeReport report, platform::Clock::time_point started) const {
  report.took = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started);
  observer_(report);
}

bool Exchanger::Send(uint32_t code, std::span<const std::byte> record) {
  return SendWithin(code, record, timing_.unanswered_send_seconds) != platform::SendStatus::kHung;
}

platform::SendStatus Exchanger::SendWithin(uint32_t code, std::span<const std::byte> record,
                                           double timeout_seconds) {
  if (!observer_) return Deliver(code, record, DeadlineIn(timeout_seconds), false);
  const auto started = Clock::now();
  const auto status = Deliver(code, record, DeadlineIn(timeout_seconds), false);
  Report({.code = code, .bytes_sent = record.size(), .send_status = status}, started);
  return status;
}

ExchangeResult Exchanger::Exchange(uint32_t code, std::span<const std::byte> record,
                                   WatchWindow watch) {
  return Exchange(code, record, ReplySeconds(code), watch);
}

ExchangeResult Exchanger::Exchange(uint32_t code, std::span<const std::byte> record,
                                   double timeout_seconds, WatchWindow watch) {
  if (!observer_) return ExchangeUnobserved(code, record, timeout_seconds, watch);
  const auto started = Clock::now();
  const auto result = ExchangeUnobserved(code, record, timeout_seconds, watch);
  Report({.code = code,
          .bytes_sent = record.size(),
          .awaits_reply = true,
          .send_status = last_send_status_,
          .outcome = result.outcome,
          .reply_code = result.reply_code,
          .reply_bytes = result.outcome == Outcome::kReply ? holding_.last_reply_bytes : 0},
         started);
  return result;
}

ExchangeResult Exchanger::ExchangeUnobserved(uint32_t code, std::span<const std::byte> record,
                                             double timeout_seconds, WatchWindow watch) {
  const auto status = Deliver(code, record, DeadlineIn(timeout_seconds), true);
  last_send_status_ = status;
  if (status == platform::SendStatus::kTimedOut || status == platform::SendStatus::kHung) {
    return {Outcome::kTimeout, 0};
  }
  // A reply that the application sent while it handled the request was unpacked before the send
  // returned. It is the outcome at once: pumping and asking whether the control window still
  // exists would only add two round trips to the window manager to every request, and the
  // application was there to send it.
  if (status == platform::SendStatus::kHandled && holding_.reply_code != 0) {
    return {Outcome::kReply, holding_.reply_code};
  }
  return Wait(DeadlineIn(timeout_seconds), watch);
}

ExchangeResult Exchanger::Wait(platform::Deadline deadline, WatchWindow watch) {
  const Outcome outcome = WaitFor([this] { return holding_.reply_code != 0; }, deadline, watch);
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
