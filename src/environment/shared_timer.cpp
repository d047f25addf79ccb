#include "environment/shared_timer.h"

#include <unordered_map>

#include "environment/ctimer.h"
#include "platform/thread_slot.h"

namespace orvabridge::environment {
namespace {

// The live timers of this thread by identifier. Ticks arrive only on the thread that started the
// timer, so a thread-local table needs no lock, and a tick whose timer has gone finds nothing.
using TimerTable = std::unordered_map<uintptr_t, CTimer*>;

TimerTable& LiveTimers() {
  static auto* const slot = new platform::ThreadSlot<TimerTable>();
  return slot->Get();
}

}  // namespace

uintptr_t RegisterTimer(CTimer* timer) {
  // The object's address is its identifier: unique among the live objects of the process.
  const auto id = reinterpret_cast<uintptr_t>(timer);
  LiveTimers()[id] = timer;
  return id;
}

void UnregisterTimer(uintptr_t id) { LiveTimers().erase(id); }

void TimerProc(platform::WindowHandle, uintptr_t id) {
  const auto& timers = LiveTimers();
  const auto found = timers.find(id);
  if (found == timers.end()) return;
  // Nothing here is touched after the event: its handler may destroy the timer.
  found->second->RaiseTimer();
}

platform::WindowHandle FindThreadWindow(platform::WindowSystem& windows) {
  platform::WindowHandle first_unowned;
  windows.ForEachThreadWindow(windows.CurrentThread(), [&](platform::WindowHandle window) {
    if (!first_unowned && !windows.Owner(window)) first_unowned = window;
  });
  return first_unowned;
}

}  // namespace orvabridge::environment
