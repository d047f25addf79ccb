// The exchange: send a record to the control window as copy-data and wait, pumping the thread's
// messages, until the awaited reply arrives, the deadline passes or the control window vanishes.
// Waits block on "message or deadline" with a monotonic clock; they never spin.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "channel/reply_holding.h"
#include "link/timing.h"
#include "platform/window_system.h"

namespace orvabridge::channel {

enum class Outcome {
  kReply,       // a reply ended the wait; its code is in `reply_code`
  kTimeout,
  kWindowGone,  // the control window stopped being a window (TargetWindow left unchanged)
};

struct ExchangeResult {
  Outcome outcome = Outcome::kTimeout;
  uint32_t reply_code = 0;
};

enum class WatchWindow { kYes, kNo };

class Exchanger {
 public:
  // `target_window` is read afresh in every turn: a nested call may change it.
  Exchanger(platform::WindowSystem& windows, ReplyHolding& holding,
            const platform::WindowHandle& target_window, const link::Timing& timing)
      : windows_(windows), holding_(holding), target_window_(target_window), timing_(timing) {}

  void set_reply_window(platform::WindowHandle reply_window) { reply_window_ = reply_window; }

  // Resets ReplyCode, sends, and waits up to `timeout_seconds` (scaled) from the send's return.
  ExchangeResult Exchange(uint32_t code, std::span<const std::byte> record,
                          double timeout_seconds, WatchWindow watch = WatchWindow::kYes);

  // Sends without touching ReplyCode and without waiting.
  void Send(uint32_t code, std::span<const std::byte> record);

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

  platform::WindowSystem& windows_;
  ReplyHolding& holding_;
  const platform::WindowHandle& target_window_;
  const link::Timing& timing_;
  platform::WindowHandle reply_window_;
};

}  // namespace orvabridge::channel
