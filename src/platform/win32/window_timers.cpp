#include "platform/win32/window_timers.h"

#include <algorithm>
#include <map>
#include <utility>

#include "platform/thread_slot.h"
#include "platform/win32/dispatch_failure.h"
#include "platform/win32/window_handle.h"

namespace orvabridge::platform::win32 {
namespace {

using TimerKey = std::pair<HWND, uintptr_t>;
using TimerTable = std::map<TimerKey, TimerProc>;

TimerTable& ThreadTimers() {
  static auto* const slot = new ThreadSlot<TimerTable>();
  return slot->Get();
}

void CALLBACK TimerTick(HWND window, UINT /*message*/, UINT_PTR id, DWORD /*time*/) {
  const TimerTable& timers = ThreadTimers();
  const auto found = timers.find({window, id});
  if (found == timers.end()) return;
  // Copied first: the callback may stop or restart its own timer.
  const TimerProc proc = found->second;
  try {
    proc(FromHwnd(window), id);
  } catch (...) {
    KeepDispatchFailure();
  }
}

UINT IntervalOf(std::chrono::milliseconds interval) {
  // The system clamps to its own minimum and maximum; we only keep the count in range of UINT.
  const auto count = std::clamp<std::chrono::milliseconds::rep>(interval.count(), 0, 0x7FFFFFFF);
  return static_cast<UINT>(count);
}

}  // namespace

bool StartWindowTimer(HWND window, uintptr_t id, std::chrono::milliseconds interval,
                      TimerProc proc) {
  // Without a window the system would choose the identifier itself, and ticks could not be
  // traced back to the caller's id.
  if (window == nullptr || proc == nullptr) return false;
  if (::SetTimer(window, id, IntervalOf(interval), &TimerTick) == 0) return false;
  ThreadTimers()[{window, id}] = proc;
  return true;
}

void StopWindowTimer(HWND window, uintptr_t id) {
  ::KillTimer(window, id);
  ThreadTimers().erase({window, id});
}

void ForgetWindowTimers(HWND window) {
  TimerTable& timers = ThreadTimers();
  auto first = timers.lower_bound({window, 0});
  auto last = first;
  while (last != timers.end() && last->first.first == window) ++last;
  timers.erase(first, last);
}

}  // namespace orvabridge::platform::win32
