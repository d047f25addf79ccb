// The desktop's window system: its threads and their queues.
//
// One mutex guards everything; each thread known to the desktop has a queue with one condition
// variable, on which only that thread waits (in a blocked send or in WaitForMessage). No lock is
// held while a handler, a timer procedure or an enumeration callback runs, so all of them may
// re-enter the window system. Members whose names end in "Locked" expect the mutex held.
#include "platform/desk/desk_windows.h"

#include <algorithm>
#include <atomic>

#include "platform/desk/desk_thread_queue.h"

namespace orvabridge::platform::desk {
namespace {

std::atomic<ThreadId> next_thread_id{1};

// Trivially destructible, so that it stays readable while other thread-locals are destroyed.
thread_local ThreadId this_thread_id = 0;
thread_local bool exit_hook_gone = false;

// Tells every desktop the thread used that the thread has ended (Win32 destroys a thread's
// windows when the thread ends).
struct ThreadExitHook {
  std::vector<std::weak_ptr<DeskWindows>> desks;
  ~ThreadExitHook() {
    exit_hook_gone = true;
    auto known = std::move(desks);
    for (auto& weak : known) {
      if (auto desk = weak.lock()) desk->ThreadExited(this_thread_id);
    }
  }
};
thread_local ThreadExitHook exit_hook;

void RegisterExitHook(std::weak_ptr<DeskWindows> desk) {
  if (exit_hook_gone) return;
  auto& desks = exit_hook.desks;
  std::erase_if(desks, [](const std::weak_ptr<DeskWindows>& weak) { return weak.expired(); });
  desks.push_back(std::move(desk));
}

}  // namespace

ThreadId ThisThreadId() {
  if (this_thread_id == 0) this_thread_id = next_thread_id.fetch_add(1);
  return this_thread_id;
}

std::shared_ptr<DeskWindows> DeskWindows::Create() {
  return std::make_shared<DeskWindows>(Token{});
}

DeskWindows::~DeskWindows() = default;

// ---- lookup (mutex held) ----

DeskWindows::Window* DeskWindows::FindLocked(WindowHandle window) {
  if (!window) return nullptr;
  auto it = windows_.find(window.value);
  return it == windows_.end() ? nullptr : &it->second;
}

const DeskWindows::Window* DeskWindows::FindLocked(WindowHandle window) const {
  if (!window) return nullptr;
  auto it = windows_.find(window.value);
  return it == windows_.end() ? nullptr : &it->second;
}

std::shared_ptr<DeskWindows::ThreadQueue> DeskWindows::QueueLocked(ThreadId thread) {
  auto it = queues_.find(thread);
  if (it != queues_.end()) return it->second;
  if (thread != ThisThreadId()) return nullptr;  // only a thread itself makes its queue
  auto queue = std::make_shared<ThreadQueue>();
  queue->id = thread;
  queues_.emplace(thread, queue);
  RegisterExitHook(weak_from_this());
  return queue;
}

// ---- threads ----

ThreadId DeskWindows::WindowThread(WindowHandle window) {
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  return w ? w->thread : 0;
}

ThreadId DeskWindows::CurrentThread() { return ThisThreadId(); }

void DeskWindows::ThreadExited(ThreadId thread) {
  Lock lock(mutex_);
  std::vector<WindowHandle> doomed;
  for (const auto& [value, w] : windows_) {
    if (w.thread == thread) CollectDestroyLocked(w.handle, doomed);
  }
  DestroyLocked(doomed);
  auto it = queues_.find(thread);
  if (it != queues_.end()) {
    for (auto& item : it->second->sent) CompleteLocked(*item, 0);
    queues_.erase(it);
  }
  std::erase_if(attachments_, [&](const std::pair<ThreadId, ThreadId>& pair) {
    return pair.first == thread || pair.second == thread;
  });
}

}  // namespace orvabridge::platform::desk
