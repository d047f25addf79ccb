// The desktop's per-window timers: they belong to the thread of their window and tick only
// while that thread pumps its messages, at most once per timer and pump call, without catching
// up on missed periods. Intervals below 10 ms count as 10 ms, as in Win32.
#include <algorithm>

#include "platform/desk/desk_thread_queue.h"
#include "platform/desk/desk_windows.h"

namespace orvabridge::platform::desk {
namespace {

constexpr auto kTimerMinimum = std::chrono::milliseconds(10);  // Win32's USER_TIMER_MINIMUM

}  // namespace

bool DeskWindows::StartTimer(WindowHandle window, uintptr_t id, std::chrono::milliseconds interval,
                             TimerProc proc) {
  const ThreadId me = ThisThreadId();
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  if (!w || w->thread != me || proc == nullptr) return false;
  auto queue = QueueLocked(me);
  const Clock::duration period = std::max<Clock::duration>(interval, kTimerMinimum);
  auto it = std::find_if(queue->timers.begin(), queue->timers.end(),
                         [&](const Timer& t) { return t.window == window && t.id == id; });
  Timer timer{window, id, period, proc, Clock::now() + period};
  if (it != queue->timers.end()) {
    *it = timer;  // restarting replaces
  } else {
    queue->timers.push_back(timer);
  }
  return true;
}

void DeskWindows::StopTimer(WindowHandle window, uintptr_t id) {
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  if (!w) return;
  auto it = queues_.find(w->thread);
  if (it == queues_.end()) return;
  std::erase_if(it->second->timers,
                [&](const Timer& t) { return t.window == window && t.id == id; });
}

std::optional<DeskWindows::Timer> DeskWindows::TakeDueTimerLocked(
    ThreadQueue& queue, std::vector<std::pair<WindowHandle, uintptr_t>>& ticked) {
  const auto now = Clock::now();
  Timer* due = nullptr;
  for (Timer& timer : queue.timers) {
    if (timer.due > now) continue;
    const std::pair<WindowHandle, uintptr_t> key{timer.window, timer.id};
    if (std::find(ticked.begin(), ticked.end(), key) != ticked.end()) continue;
    if (!due || timer.due < due->due) due = &timer;
  }
  if (!due) return std::nullopt;
  ticked.emplace_back(due->window, due->id);
  due->due = now + due->interval;  // no catch-up: the next tick is one period from now
  return *due;
}

Clock::time_point DeskWindows::EarliestTimerLocked(const ThreadQueue& queue,
                                                   Clock::time_point bound) const {
  for (const Timer& timer : queue.timers) bound = std::min(bound, timer.due);
  return bound;
}

void DeskWindows::DropTimersLocked(ThreadQueue& queue, WindowHandle window) {
  std::erase_if(queue.timers, [&](const Timer& t) { return t.window == window; });
}

}  // namespace orvabridge::platform::desk
