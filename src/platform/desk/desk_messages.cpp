// The desktop's messages: synchronous sends across threads, notifications, posts, and the
// pumping and waiting of a thread.
//
// Queue order, as in Win32: messages sent from other threads first, then posted messages, then a
// quit request (which stays set), then due timers (at most one tick per timer and pump call, no
// catch-up). A thread blocked in a synchronous send handles only messages sent to it, never
// posted ones or timers. A send with a limit gives up when the limit passes (the message stays
// queued, with the receiver's own copy of what it carries) and fails at once for a receiver that
// has not looked at its messages for the hung threshold while not waiting for them.
#include <algorithm>
#include <cstring>

#include "platform/desk/desk_thread_queue.h"
#include "platform/desk/desk_windows.h"
#include "platform/desk/text_case.h"

namespace orvabridge::platform::desk {
namespace {

constexpr size_t kGetTextCapacity = 1024;

}  // namespace

MessageId DeskWindows::RegisterMessage(std::string_view name) {
  if (name.empty()) return 0;
  Lock lock(mutex_);
  const std::string key = Lower(name);
  auto it = registered_.find(key);
  if (it != registered_.end()) return it->second;
  if (next_message_ > 0xFFFF) return 0;
  const MessageId id = next_message_++;
  registered_.emplace(key, id);
  return id;
}

// ---- handling a message ----

void DeskWindows::CompleteLocked(SentItem& item, intptr_t result) {
  if (item.done) return;
  item.done = true;
  item.result = result;
  if (item.waiter) item.waiter->wake.notify_all();
}

intptr_t DeskWindows::DefaultProcessing(const WindowMessage& message) {
  if (message.id == kWmGetText) {
    auto* buffer = reinterpret_cast<char*>(message.lparam);
    const size_t capacity = message.wparam;
    if (!buffer || capacity == 0) return 0;
    std::string title;
    {
      Lock lock(mutex_);
      if (const Window* w = FindLocked(message.window)) title = w->title;
    }
    const size_t n = std::min(title.size(), capacity - 1);
    std::memcpy(buffer, title.data(), n);
    buffer[n] = '\0';
    return static_cast<intptr_t>(n);
  }
  return 0;
}

intptr_t DeskWindows::Dispatch(const std::shared_ptr<MessageHandler>& handler,
                               const WindowMessage& message) {
  std::optional<intptr_t> result;
  if (handler && *handler) result = (*handler)(message);
  if (result) return *result;
  return DefaultProcessing(message);
}

void DeskWindows::HandleSentLocked(Lock& lock, std::shared_ptr<SentItem> item) {
  if (item->done) return;
  Window* w = FindLocked(item->to);
  if (!w) {
    CompleteLocked(*item, 0);
    return;
  }
  auto handler = w->handler;
  lock.unlock();
  intptr_t result = 0;
  try {
    if (item->is_copy_data) {
      CopyData data{item->code, std::span<const std::byte>(item->bytes)};
      WindowMessage message{item->to, kWmCopyData, item->wparam, reinterpret_cast<intptr_t>(&data),
                            &data};
      result = Dispatch(handler, message);
    } else if (!item->text.empty()) {
      WindowMessage message{item->to, item->id, item->text.size(),
                            reinterpret_cast<intptr_t>(item->text.data()), nullptr};
      result = Dispatch(handler, message);
    } else {
      WindowMessage message{item->to, item->id, item->wparam, item->lparam, nullptr};
      result = Dispatch(handler, message);
    }
  } catch (...) {
    lock.lock();
    CompleteLocked(*item, 0);  // never leave a sender blocked
    throw;
  }
  lock.lock();
  CompleteLocked(*item, result);
}

bool DeskWindows::HungLocked(const ThreadQueue& queue) const {
  return !queue.waiting && Clock::now() - queue.last_look > hung_after_;
}

void DeskWindows::LookedAtQueueLocked(ThreadQueue& queue) { queue.last_look = Clock::now(); }

uint32_t DeskWindows::ProcessOfLocked(ThreadId thread) const {
  const auto found = thread_process_.find(thread);
  return found == thread_process_.end() ? 1 : found->second;
}

void DeskWindows::SetThreadProcess(ThreadId thread, uint32_t process) {
  Lock lock(mutex_);
  thread_process_[thread] = process;
}

uint32_t DeskWindows::NewProcess() {
  Lock lock(mutex_);
  return next_process_++;
}

void DeskWindows::SetHungAfter(Clock::duration quiet) {
  Lock lock(mutex_);
  hung_after_ = quiet;
}

// ---- sending, notifying, posting ----

SendResult DeskWindows::Deliver(WindowHandle to, MessageId id, uintptr_t wparam, intptr_t lparam,
                                const Payload& payload, std::optional<Deadline> limit,
                                std::string* text_out) {
  const ThreadId me = ThisThreadId();
  Lock lock(mutex_);
  Window* w = FindLocked(to);
  if (!w) return {SendStatus::kNoWindow, 0};
  auto own = QueueLocked(me);
  if (w->thread == me) {  // same thread: the handler runs at once, whatever the limit
    auto handler = w->handler;
    lock.unlock();
    if (payload.copy_code) {
      std::vector<std::byte> copy(payload.copy_bytes.begin(), payload.copy_bytes.end());
      CopyData data{*payload.copy_code, std::span<const std::byte>(copy)};
      WindowMessage message{to, kWmCopyData, wparam, reinterpret_cast<intptr_t>(&data), &data};
      return {SendStatus::kHandled, Dispatch(handler, message)};
    }
    if (payload.text_capacity > 0) {
      std::vector<char> buffer(payload.text_capacity, '\0');
      WindowMessage message{to, kWmGetText, buffer.size(),
                            reinterpret_cast<intptr_t>(buffer.data()), nullptr};
      const intptr_t length = Dispatch(handler, message);
      if (text_out) {
        const size_t n =
            std::min(static_cast<size_t>(std::max<intptr_t>(length, 0)), buffer.size() - 1);
        text_out->assign(buffer.data(), n);
      }
      return {SendStatus::kHandled, length};
    }
    WindowMessage message{to, id, wparam, lparam, nullptr};
    return {SendStatus::kHandled, Dispatch(handler, message)};
  }
  auto target = QueueLocked(w->thread);
  if (!target) return {SendStatus::kNoWindow, 0};
  // As SMTO_ABORTIFHUNG: a thread that stopped looking at its messages gets nothing.
  if (limit && *limit != kNoLimit && HungLocked(*target)) return {SendStatus::kHung, 0};
  auto item = std::make_shared<SentItem>();
  item->to = to;
  item->id = payload.copy_code ? kWmCopyData : id;
  item->wparam = wparam;
  item->lparam = lparam;
  if (payload.copy_code) {
    item->is_copy_data = true;
    item->code = *payload.copy_code;
    item->bytes.assign(payload.copy_bytes.begin(), payload.copy_bytes.end());
  }
  if (payload.text_capacity > 0) item->text.assign(payload.text_capacity, '\0');
  if (limit) item->waiter = own;
  target->sent.push_back(item);
  target->wake.notify_all();
  if (!limit) return {SendStatus::kHandled, 0};
  // Blocked: handle what other threads send to this one meanwhile (a reply may come that way).
  const bool was_waiting = own->waiting;
  own->waiting = true;
  while (!item->done) {
    LookedAtQueueLocked(*own);
    if (!own->sent.empty()) {
      auto incoming = own->sent.front();
      own->sent.pop_front();
      HandleSentLocked(lock, std::move(incoming));
      continue;
    }
    if (*limit == kNoLimit) {
      own->wake.wait(lock);
    } else if (own->wake.wait_until(lock, *limit) == std::cv_status::timeout && !item->done) {
      // Given up, as Win32 does: the message stays queued and the receiver may still handle it,
      // with its own copy of whatever the message carries; nobody waits for its result.
      item->waiter.reset();
      own->waiting = was_waiting;
      return {SendStatus::kTimedOut, 0};
    }
  }
  own->waiting = was_waiting;
  if (text_out && !item->text.empty()) {
    const size_t n =
        std::min(static_cast<size_t>(std::max<intptr_t>(item->result, 0)), item->text.size() - 1);
    text_out->assign(item->text.data(), n);
  }
  return {SendStatus::kHandled, item->result};
}

SendResult DeskWindows::SendCopyData(WindowHandle to, WindowHandle from, uint32_t code,
                                     std::span<const std::byte> record, Deadline limit) {
  Payload payload;
  payload.copy_code = &code;
  payload.copy_bytes = record;
  return Deliver(to, kWmCopyData, from.value, 0, payload, limit);
}

SendResult DeskWindows::Send(WindowHandle to, MessageId id, uintptr_t wparam, intptr_t lparam,
                             Deadline limit) {
  Payload payload;
  const uint32_t code = 0;
  if (id == kWmCopyData) {  // no block given: the receiver sees an empty one, code 0
    payload.copy_code = &code;
    return Deliver(to, id, wparam, 0, payload, limit);
  }
  if (id == kWmGetText && lparam != 0 && wparam > 0) {
    // The receiver writes into a buffer of its own; the caller's gets a copy once it answered.
    payload.text_capacity = wparam;
    std::string text;
    const SendResult sent = Deliver(to, id, wparam, 0, payload, limit, &text);
    if (sent.handled()) {
      auto* buffer = reinterpret_cast<char*>(lparam);
      std::memcpy(buffer, text.data(), text.size());
      buffer[text.size()] = '\0';
    }
    return sent;
  }
  return Deliver(to, id, wparam, lparam, payload, limit);
}

bool DeskWindows::Notify(WindowHandle to, MessageId id, uintptr_t wparam, intptr_t lparam) {
  if (!IsWindow(to)) return false;
  Deliver(to, id, wparam, lparam, Payload{}, std::nullopt);
  return true;
}

bool DeskWindows::Post(WindowHandle to, MessageId id, uintptr_t wparam, intptr_t lparam) {
  Lock lock(mutex_);
  const Window* w = FindLocked(to);
  if (!w) return false;
  auto queue = QueueLocked(w->thread);
  if (!queue) return false;
  queue->posted.push_back(PostedItem{to, id, wparam, lparam});
  queue->wake.notify_all();
  return true;
}

// Queued like a posted message, so that the window goes in its place among them, on its own
// thread, when that thread next pumps.
bool DeskWindows::PostDestroy(WindowHandle window) {
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  if (!w) return false;
  auto queue = QueueLocked(w->thread);
  if (!queue) return false;
  PostedItem request{window};
  request.destroy = true;
  queue->posted.push_back(request);
  queue->wake.notify_all();
  return true;
}

std::string DeskWindows::WindowText(WindowHandle window, Clock::duration limit) {
  {
    Lock lock(mutex_);
    const Window* w = FindLocked(window);
    if (!w) return std::string();
    // Another process's window: the caption as the window manager keeps it, without asking the
    // window's thread (which may be busy or hung).
    if (ProcessOfLocked(w->thread) != ProcessOfLocked(ThisThreadId())) {
      return w->title.substr(0, std::min(w->title.size(), kGetTextCapacity - 1));
    }
  }
  Payload payload;
  payload.text_capacity = kGetTextCapacity;
  std::string text;
  const SendResult sent =
      Deliver(window, kWmGetText, kGetTextCapacity, 0, payload, Clock::now() + limit, &text);
  return sent.handled() && sent.result > 0 ? text : std::string();
}

// ---- pumping and waiting ----

bool DeskWindows::PumpMessages() {
  const ThreadId me = ThisThreadId();
  Lock lock(mutex_);
  auto queue = QueueLocked(me);
  std::vector<std::pair<WindowHandle, uintptr_t>> ticked;
  for (;;) {
    LookedAtQueueLocked(*queue);
    if (!queue->sent.empty()) {
      auto item = queue->sent.front();
      queue->sent.pop_front();
      HandleSentLocked(lock, std::move(item));
      continue;
    }
    if (!queue->posted.empty()) {
      const PostedItem posted = queue->posted.front();
      queue->posted.pop_front();
      const Window* w = FindLocked(posted.window);
      if (!w) continue;  // destroyed after it was posted
      if (posted.destroy) {
        std::vector<WindowHandle> doomed;
        CollectDestroyLocked(posted.window, doomed);
        DestroyLocked(doomed);
        continue;
      }
      auto handler = w->handler;
      lock.unlock();
      Dispatch(handler,
               WindowMessage{posted.window, posted.id, posted.wparam, posted.lparam, nullptr});
      lock.lock();
      continue;
    }
    if (queue->quit) return false;  // the request stays for the thread's outer loop
    if (const auto tick = TakeDueTimerLocked(*queue, ticked)) {
      lock.unlock();
      tick->proc(tick->window, tick->id);
      lock.lock();
      continue;
    }
    return true;
  }
}

void DeskWindows::HandleSentMessages() {
  Lock lock(mutex_);
  auto queue = QueueLocked(ThisThreadId());
  LookedAtQueueLocked(*queue);
  while (!queue->sent.empty()) {
    auto item = queue->sent.front();
    queue->sent.pop_front();
    HandleSentLocked(lock, std::move(item));
  }
}

void DeskWindows::WaitForMessage(Deadline deadline) {
  const ThreadId me = ThisThreadId();
  Lock lock(mutex_);
  auto queue = QueueLocked(me);
  for (;;) {
    if (!queue->sent.empty() || !queue->posted.empty() || queue->quit) return;
    const auto now = Clock::now();
    Clock::time_point wake = EarliestTimerLocked(*queue, deadline);
    if (wake <= now) return;  // a timer is due, or the deadline has passed
    // A far deadline (time_point::max) is waited for in bounded steps.
    wake = std::min(wake, now + std::chrono::hours(1));
    queue->waiting = true;
    queue->wake.wait_until(lock, wake);
    queue->waiting = false;
    LookedAtQueueLocked(*queue);
  }
}

void DeskWindows::PostQuitMessage() {
  Lock lock(mutex_);
  auto queue = QueueLocked(ThisThreadId());
  queue->quit = true;
  queue->wake.notify_all();
}

}  // namespace orvabridge::platform::desk
