// What the desktop's window system keeps per thread and per sent message. Internal to the
// desk_windows / desk_window_* / desk_messages / desk_timers sources, which together make up
// DeskWindows.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/desk/desk_windows.h"

namespace orvabridge::platform::desk {

// The calling thread's id: process-wide, given out on a thread's first call to any desktop.
ThreadId ThisThreadId();

// A message sent to a window of another thread and not yet answered, or a notification.
struct DeskWindows::SentItem {
  WindowHandle to;
  MessageId id = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
  bool is_copy_data = false;
  uint32_t code = 0;
  std::vector<std::byte> bytes;         // the receiver's own copy of the record
  std::vector<char> text;               // get-text: the receiver's own buffer
  std::shared_ptr<ThreadQueue> waiter;  // the blocked sender; null for a notification, or once
                                        // the sender gave up
  bool done = false;
  intptr_t result = 0;
};

struct DeskWindows::ThreadQueue {
  ThreadId id = 0;
  std::deque<std::shared_ptr<SentItem>> sent;
  std::deque<PostedItem> posted;
  bool quit = false;
  std::vector<Timer> timers;
  std::condition_variable wake;  // only the owning thread waits on it
  // For the hung test: when the thread last looked at its messages, and whether it is waiting
  // for them now (in WaitForMessage or blocked in a send, where sent messages reach it).
  Clock::time_point last_look = Clock::now();
  bool waiting = false;
};

}  // namespace orvabridge::platform::desk
