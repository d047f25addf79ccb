#include "environment/ctimer.h"

#include <chrono>
#include <optional>

#include "environment/shared_timer.h"

namespace orvabridge::environment {

CTimer::CTimer(platform::WindowSystem& windows, std::function<void()> on_timer)
    : windows_(windows), on_timer_(std::move(on_timer)) {
  owner_window_ = FindThreadWindow(windows_);
  if (!owner_window_) {
    // Without a window of its own thread a tick could not be traced back to this object, so the
    // timer brings its own hidden window.
    platform::WindowBlueprint blueprint;
    blueprint.message_only = true;
    own_window_ = platform::UniqueWindow(
        windows_, blueprint,
        [](const platform::WindowMessage&) -> std::optional<intptr_t> { return std::nullopt; });
    owner_window_ = own_window_.get();
  }
  RegisterTimer(this);
}

CTimer::~CTimer() {
  StopSystemTimer();
  UnregisterTimer(Id());
}

void CTimer::SetEnabled(bool enabled) {
  if (enabled_) StopSystemTimer();
  enabled_ = enabled;
  if (interval_ >= 1 && enabled && owner_window_) {
    if (windows_.StartTimer(owner_window_, Id(), std::chrono::milliseconds(interval_),
                            &TimerProc)) {
      timer_id_ = Id();
    }
  }
}

void CTimer::SetInterval(int32_t interval_ms) {
  if (interval_ms < 0) return;
  interval_ = interval_ms;
  // Restarts a running timer with the new period; a stopped one stays stopped.
  SetEnabled(enabled_);
}

void CTimer::RaiseTimer() {
  // The handler may destroy this timer (a reconfiguration replaces it), so it runs from a copy
  // and nothing of the object is used afterwards.
  const std::function<void()> handler = on_timer_;
  if (handler) handler();
}

void CTimer::StopSystemTimer() {
  // Only a timer this object started is stopped; identifier 0 could belong to someone else.
  if (timer_id_ != 0) windows_.StopTimer(owner_window_, timer_id_);
  timer_id_ = 0;
}

uintptr_t CTimer::Id() const { return reinterpret_cast<uintptr_t>(this); }

}  // namespace orvabridge::environment
