// The exchange: send a record to the control window as copy-data and wait, pumping the thread's
// messages, until the awaited reply arrives, the deadline passes or the control window vanishes.
// Waits block on "message or deadline" with a monotonic clock; they never spin.
//
// The send itself is bounded: it gives up when the request's time-out passes, or at once when the
// system reports the imaging application as hung, and the request then ends as a time-out. The
// wait that follows a send counts its time-out from the send's return.
//
// Late replies. A request whose send gave up stays queued in the imaging application, which may
// still answer it later. Such a reply is unpacked into the holding area when it comes, but it
// never ends the wait of a later request: before the next request is sent, the exchanger waits
// (within that request's own time-out) until the imaging application has worked through what it
// still had queued, by sending it an empty message, which it can only handle after the old
// request. A reply that arrives meanwhile is the old request's. If the application is still busy
// when that time-out passes, the new request is not sent at all and ends as a time-out, so that
// requests do not pile up in an application that does not answer. (A reply that the application
// sends long after it handled the request is not ordered this way; it ends a later wait of the
// same code as before.)
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>

#include "channel/reply_holding.h"
#include "channel/timing.h"
#include "platform/window_system.h"

namespace orvabridge::channel {

enum class Outcome {
  kReply,  // a reply ended the wait; its code is in `reply_code`
  kTimeout,
  kWindowGone,  // the control window stopped being a window (TargetWindow left unchanged)
};

struct ExchangeResult {
  Outcome outcome = Outcome::kTimeout;
  uint32_t reply_code = 0;
};

enum class WatchWindow { kYes, kNo };

// What one request did, for an observer (the trace): told after the request has ended.
struct ExchangeReport {
  uint32_t code = 0;
  size_t bytes_sent = 0;
  bool awaits_reply = false;
  platform::SendStatus send_status = platform::SendStatus::kHandled;
  // Set when the request awaited a reply.
  Outcome outcome = Outcome::kTimeout;
  uint32_t reply_code = 0;
  size_t reply_bytes = 0;
  std::chrono::microseconds took{0};
};
using ExchangeObserver = std::function<void(const ExchangeReport&)>;

class Exchanger {
 public:
  // `target_window` is read afresh in every turn: a nested call may change it.
  Exchanger(platform::WindowSystem& windows, ReplyHolding& holding,
            const platform::WindowHandle& target_window, const channel::Timing& timing)
      : windows_(windows), holding_(holding), target_window_(target_window), timing_(timing) {}

  void set_reply_window(platform::WindowHandle reply_window) { reply_window_ = reply_window; }
  // Told about every request and its outcome; none by default, and then nothing is measured.
  void set_observer(ExchangeObserver observer) { observer_ = std::move(observer); }

  // Resets ReplyCode, sends within `timeout_seconds` (scaled), and waits up to `timeout_seconds`
  // from the send's return. A reply unpacked during the send ends the exchange without a turn of
  // the wait.
  ExchangeResult Exchange(uint32_t code, std::span<const std::byte> record, double timeout_seconds,
                          WatchWindow watch = WatchWindow::kYes);
  // The same with the code's own time-out of the protocol table (channel/protocol.h).
  ExchangeResult Exchange(uint32_t code, std::span<const std::byte> record,
                          WatchWindow watch = WatchWindow::kYes);

  // Sends without touching ReplyCode and without waiting for a reply, within the time a request
  // that awaits none may take (Timing::unanswered_send_seconds). True when the request reached
  // the imaging application (handled, or queued there when the limit passed; a missing window
  // counts as reached, as the wait of the caller finds it gone), false when it was not sent to a
  // hung application.
  bool Send(uint32_t code, std::span<const std::byte> record);
  // Sends without touching ReplyCode and without waiting, within `timeout_seconds` (scaled), for
  // requests whose reply is watched some other way (the image requests).
  platform::SendStatus SendWithin(uint32_t code, std::span<const std::byte> record,
                                  double timeout_seconds);

  // The wait loop alone: runs at least one turn; a reply seen in the same turn as the deadline
  // wins. `done` decides when a reply has arrived (ReplyCode non-zero by default).
  ExchangeResult Wait(platform::Deadline deadline, WatchWindow watch);
  // Like Wait, but ends when `arrived` returns true (the image replies set a flag instead).
  Outcome WaitFor(const std::function<bool()>& arrived, platform::Deadline deadline,
                  WatchWindow watch);

  // Pumps messages until `seconds` (scaled) have passed, blocking in between.
  void PumpFor(double seconds);

  platform::Deadline DeadlineIn(double seconds) const;

 private:
  void BlockUntilNextTurn(platform::Deadline deadline, WatchWindow watch);
  // Sends within `limit`, first letting the application work through a request it still has
  // queued from an earlier send that gave up; resets ReplyCode right before the send when the
  // request awaits a reply. The status of the request's own send, or kTimedOut when the
  // application did not catch up in time.
  platform::SendStatus Deliver(uint32_t code, std::span<const std::byte> record,
                               platform::Deadline limit, bool awaits_reply);
  ExchangeResult ExchangeUnobserved(uint32_t code, std::span<const std::byte> record,
                                    double timeout_seconds, WatchWindow watch);
  void Report(ExchangeReport report, platform::Clock::time_point started) const;

  platform::WindowSystem& windows_;
  ReplyHolding& holding_;
  const platform::WindowHandle& target_window_;
  const channel::Timing& timing_;
  platform::WindowHandle reply_window_;
  ExchangeObserver observer_;
  platform::SendStatus last_send_status_ = platform::SendStatus::kHandled;
  // An earlier send gave up while the application still had it queued.
  bool application_behind_ = false;
};

}  // namespace orvabridge::channel
