// CTimer: a periodic timer that raises its event on the thread that made it, on a per-window
// system timer. The timer's identifier is looked up in this thread's table of live timers
// (MSharedTimer), so a tick can never reach a timer object that has been destroyed.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/unique_window.h"
#include "platform/window_system.h"

namespace orvabridge::environment {

class CTimer {
 public:
  CTimer(platform::WindowSystem& windows, std::function<void()> on_timer);
  ~CTimer();
  CTimer(const CTimer&) = delete;
  CTimer& operator=(const CTimer&) = delete;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  int32_t Interval() const { return interval_; }
  void SetInterval(int32_t interval_ms);  // negative values are ignored
  void RaiseTimer();

 private:
  void StopSystemTimer();
  // The identifier of this object's system timer: its own address.
  uintptr_t Id() const;

  platform::WindowSystem& windows_;
  std::function<void()> on_timer_;
  platform::WindowHandle owner_window_;
  platform::UniqueWindow own_window_;  // made when the thread has no un-owned top-level window
  uintptr_t timer_id_ = 0;
  bool enabled_ = false;
  int32_t interval_ = 0;
};

}  // namespace orvabridge::environment
