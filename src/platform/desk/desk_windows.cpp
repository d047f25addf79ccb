// The desktop's window system.
//
// One mutex guards everything; each thread known to the desktop has a queue with one condition
// variable, on which only that thread waits (in a blocked send or in WaitForMessage). No lock is
// held while a handler, a timer procedure or an enumeration callback runs, so all of them may
// re-enter the window system.
//
// Queue order, as in Win32: messages sent from other threads first, then posted messages, then a
// quit request (which stays set), then due timers (at most one tick per timer and pump call, no
// catch-up). A thread blocked in a synchronous send handles only messages sent to it, never
// posted ones or timers. A send with a limit gives up when the limit passes (the message stays
// queued, with the receiver's own copy of what it carries) and fails at once for a receiver that
// has not looked at its messages for the hung threshold while not waiting for them.
#include "platform/desk/desk_windows.h"
#include "platform/desk/text_case.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "platform/desk/desktop.h"

namespace orvabridge::platform::desk {
namespace {

constexpr uint32_t kSwpShowWindow = 0x0040;
constexpr uint32_t kSwpHideWindow = 0x0080;
constexpr int kSwShowMinimized = 2;
constexpr int kSwShowNoActivate = 4;
constexpr int kSwShowNa = 8;
constexpr int kSwShowDefault = 10;
constexpr int kSwForceMinimize = 11;
constexpr auto kTimerMinimum = std::chrono::milliseconds(10);  // Win32's USER_TIMER_MINIMUM
constexpr size_t kGetTextCapacity = 1024;
constexpr uint32_t kDesktopStyle =
    0x96000000;  // WS_POPUP|WS_VISIBLE|WS_CLIPSIBLINGS|WS_CLIPCHILDREN

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

ThreadId ThisThreadId() {
  if (this_thread_id == 0) this_thread_id = next_thread_id.fetch_add(1);
  return this_thread_id;
}

void RegisterExitHook(std::weak_ptr<DeskWindows> desk) {
  if (exit_hook_gone) return;
  auto& desks = exit_hook.desks;
  std::erase_if(desks, [](const std::weak_ptr<DeskWindows>& weak) { return weak.expired(); });
  desks.push_back(std::move(desk));
}

bool IsSpecialInsertAfter(int32_t insert_after) {
  return insert_after == kHwndTop || insert_after == kHwndBottom || insert_after == kHwndTopMost ||
         insert_after == kHwndNoTopMost;
}

}  // namespace

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

std::shared_ptr<DeskWindows> DeskWindows::Create() {
  return std::make_shared<DeskWindows>(Token{});
}

DeskWindows::~DeskWindows() = default;

// ---- lookup helpers (mutex held) ----

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

std::vector<WindowHandle>* DeskWindows::SiblingListLocked(const Window& window) {
  if (window.message_only) return nullptr;
  if (!window.parent) return &top_level_;
  Window* parent = FindLocked(window.parent);
  return parent ? &parent->children : nullptr;
}

// Places `window` in its sibling list the way Win32's SetWindowPos does for `insert_after`, and
// keeps the topmost windows ahead of the others.
void DeskWindows::LinkLocked(Window& window, int32_t insert_after) {
  auto* list = SiblingListLocked(window);
  if (!list) return;
  auto topmost = [this](WindowHandle h) {
    const Window* w = FindLocked(h);
    return w && (w->ex_style & kWsExTopMost);
  };
  const bool linked = std::find(list->begin(), list->end(), window.handle) != list->end();
  if (insert_after == kHwndNoTopMost) {
    if (!(window.ex_style & kWsExTopMost) && linked) return;  // "no effect" on a non-topmost one
    window.ex_style &= ~kWsExTopMost;
    insert_after = kHwndTop;
  }
  std::erase(*list, window.handle);
  if (insert_after == kHwndBottom) {
    list->push_back(window.handle);
    window.ex_style &= ~kWsExTopMost;
  } else if (insert_after == kHwndTopMost) {
    list->insert(list->begin(), window.handle);
    window.ex_style |= kWsExTopMost;
  } else if (insert_after == kHwndTop) {
    auto at = list->begin();
    if (!(window.ex_style & kWsExTopMost)) {
      while (at != list->end() && topmost(*at)) ++at;
    }
    list->insert(at, window.handle);
  } else {
    const WindowHandle previous(static_cast<uint32_t>(insert_after));
    auto at = std::find(list->begin(), list->end(), previous);
    if (at == list->end()) {  // not a sibling (callers check); keep the window linked
      list->insert(list->begin(), window.handle);
      return;
    }
    at = list->insert(at + 1, window.handle);
    if (!topmost(previous)) {
      window.ex_style &= ~kWsExTopMost;
    } else if (at + 1 != list->end() && topmost(*(at + 1))) {
      window.ex_style |= kWsExTopMost;
    }
  }
}

bool DeskWindows::IsDescendantLocked(WindowHandle window, WindowHandle ancestor) const {
  const Window* w = FindLocked(window);
  while (w && w->parent) {
    if (w->parent == ancestor) return true;
    w = FindLocked(w->parent);
  }
  return false;
}

void DeskWindows::CollectDestroyLocked(WindowHandle window, std::vector<WindowHandle>& out) const {
  if (std::find(out.begin(), out.end(), window) != out.end()) return;
  const Window* w = FindLocked(window);
  if (!w) return;
  out.push_back(window);
  for (WindowHandle child : w->children) CollectDestroyLocked(child, out);
  for (const auto& [value, other] : windows_) {
    if (other.owner == window) CollectDestroyLocked(other.handle, out);
  }
}

void DeskWindows::DestroyLocked(const std::vector<WindowHandle>& doomed) {
  for (WindowHandle handle : doomed) {
    Window* w = FindLocked(handle);
    if (!w) continue;
    if (auto* list = SiblingListLocked(*w)) std::erase(*list, handle);
    if (auto it = queues_.find(w->thread); it != queues_.end()) {
      ThreadQueue& queue = *it->second;
      std::erase_if(queue.timers, [&](const Timer& t) { return t.window == handle; });
      // Sends still waiting for this window are answered 0 at once; their senders go on.
      for (auto item = queue.sent.begin(); item != queue.sent.end();) {
        if ((*item)->to == handle) {
          CompleteLocked(**item, 0);
          item = queue.sent.erase(item);
        } else {
          ++item;
        }
      }
      // Posted messages stay queued and are dropped when the pump meets them.
    }
    if (foreground_ == handle) SetForegroundLocked(WindowHandle());
  }
  for (WindowHandle handle : doomed) windows_.erase(handle.value);
}

void DeskWindows::SetForegroundLocked(WindowHandle window) {
  if (foreground_ == window) return;
  foreground_ = window;
  foreground_changes_.push_back(window);
}

bool DeskWindows::InputLinkedLocked(ThreadId a, ThreadId b) const {
  if (a == b) return true;
  if (attachments_.count({a, b}) || attachments_.count({b, a})) return true;
  // Win32 attaches the input of a child window's thread to its parent's thread.
  for (const auto& [value, w] : windows_) {
    if (!w.parent) continue;
    const Window* parent = FindLocked(w.parent);
    if (!parent) continue;
    if ((w.thread == a && parent->thread == b) || (w.thread == b && parent->thread == a)) {
      return true;
    }
  }
  return false;
}

// ---- messages ----

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

void DeskWindows::SetHungAfter(Clock::duration quiet) {
  Lock lock(mutex_);
  hung_after_ = quiet;
}

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

WindowHandle DeskWindows::MakeWindow(const WindowSpec& blueprint, MessageHandler on_message) {
  const ThreadId me = ThisThreadId();
  Lock lock(mutex_);
  // As CreateWindowEx: a parent with kWsChild makes a child; a parent without it makes an owned
  // top-level window (owned by the parent's top-level ancestor); the desktop window as parent,
  // or none, makes a plain top-level window; kWsChild without a parent fails.
  WindowHandle given = blueprint.message_only || blueprint.parent == kDesktopWindow
                           ? WindowHandle()
                           : blueprint.parent;
  const Window* parent = FindLocked(given);
  if (given && !parent) return WindowHandle();
  const bool child = parent && (blueprint.style & kWsChild);
  if (!blueprint.message_only && !parent && (blueprint.style & kWsChild)) return WindowHandle();
  WindowHandle owner;
  if (parent && !child) {
    owner = given;
    for (const Window* w = parent; w && w->parent; w = FindLocked(w->parent)) owner = w->parent;
  }
  QueueLocked(me);
  Window w;
  w.handle = WindowHandle(next_handle_);
  next_handle_ += 2;
  w.class_name = blueprint.class_name;
  w.title = blueprint.title;
  w.parent = child ? given : WindowHandle();
  w.owner = owner;
  w.style = blueprint.style;
  w.ex_style = blueprint.ex_style;
  w.message_only = blueprint.message_only;
  if (w.message_only) w.style &= ~kWsVisible;  // never shown
  w.rect = WindowRect{blueprint.x, blueprint.y, blueprint.width, blueprint.height};
  w.thread = me;
  w.handler = std::make_shared<MessageHandler>(std::move(on_message));
  const WindowHandle handle = w.handle;
  auto [it, inserted] = windows_.emplace(handle.value, std::move(w));
  // Win32 links a new child at the bottom of its siblings and a new top-level window at the top.
  LinkLocked(it->second, child ? kHwndBottom : kHwndTop);
  if (child) it->second.ex_style = blueprint.ex_style;
  return handle;
}

void DeskWindows::DestroyWindow(WindowHandle window) {
  const ThreadId me = ThisThreadId();
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  if (!w) return;
  if (w->thread != me) {
    std::fprintf(stderr,
                 "[desk] DestroyWindow(0x%x) on thread %u ignored: the window belongs to thread "
                 "%u (Win32 refuses to destroy another thread's window)\n",
                 window.value, me, w->thread);
    return;
  }
  std::vector<WindowHandle> doomed;
  CollectDestroyLocked(window, doomed);
  DestroyLocked(doomed);
}

bool DeskWindows::IsWindow(WindowHandle window) const {
  if (window == kDesktopWindow) return true;
  Lock lock(mutex_);
  return FindLocked(window) != nullptr;
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

// ---- enumeration: snapshots, windows destroyed meanwhile are skipped ----

void DeskWindows::ForEachTopLevel(const std::function<void(WindowHandle)>& visit) {
  std::vector<WindowHandle> snapshot;
  {
    Lock lock(mutex_);
    snapshot = top_level_;
  }
  for (WindowHandle window : snapshot) {
    if (IsWindow(window)) visit(window);
  }
}

void DeskWindows::ForEachDescendant(WindowHandle window,
                                    const std::function<void(WindowHandle)>& visit) {
  std::vector<WindowHandle> children;
  {
    Lock lock(mutex_);
    if (window == kDesktopWindow) {
      children = top_level_;  // the desktop's children are the top-level windows
    } else {
      const Window* w = FindLocked(window);
      if (!w) return;
      children = w->children;
    }
  }
  // As EnumChildWindows: each child, then its own children (listed before its callback runs).
  std::function<void(const std::vector<WindowHandle>&)> walk =
      [&](const std::vector<WindowHandle>& list) {
        for (WindowHandle child : list) {
          std::vector<WindowHandle> grandchildren;
          {
            Lock lock(mutex_);
            const Window* c = FindLocked(child);
            if (!c) continue;
            grandchildren = c->children;
          }
          visit(child);
          walk(grandchildren);
        }
      };
  walk(children);
}

void DeskWindows::ForEachThreadWindow(ThreadId thread,
                                      const std::function<void(WindowHandle)>& visit) {
  std::vector<WindowHandle> snapshot;
  {
    Lock lock(mutex_);
    for (WindowHandle window : top_level_) {
      const Window* w = FindLocked(window);
      if (w && w->thread == thread) snapshot.push_back(window);
    }
  }
  for (WindowHandle window : snapshot) {
    if (IsWindow(window)) visit(window);
  }
}

// ---- window attributes ----

std::string DeskWindows::ClassName(WindowHandle window) {
  if (window == kDesktopWindow) return "#32769";
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  return w ? w->class_name : std::string();
}

std::string DeskWindows::WindowText(WindowHandle window, Clock::duration limit) {
  if (!IsWindow(window)) return std::string();
  Payload payload;
  payload.text_capacity = kGetTextCapacity;
  std::string text;
  const SendResult sent =
      Deliver(window, kWmGetText, kGetTextCapacity, 0, payload, Clock::now() + limit, &text);
  return sent.handled() && sent.result > 0 ? text : std::string();
}

WindowHandle DeskWindows::Parent(WindowHandle window) {
  // GetParent: the owner of a popup, the parent of a child, otherwise none, whatever the tree.
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  if (!w) return WindowHandle();
  if (w->style & kWsPopup) return w->owner;
  if (w->style & kWsChild) return w->parent ? w->parent : kDesktopWindow;
  return WindowHandle();
}

WindowHandle DeskWindows::Owner(WindowHandle window) {
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  return w ? w->owner : WindowHandle();
}

WindowHandle DeskWindows::SetParent(WindowHandle window, WindowHandle new_parent) {
  Lock lock(mutex_);
  Window* w = FindLocked(window);
  if (!w) return WindowHandle();
  if (new_parent == kDesktopWindow) new_parent = WindowHandle();
  if (new_parent) {
    if (!FindLocked(new_parent)) return WindowHandle();
    if (new_parent == window || IsDescendantLocked(new_parent, window)) return WindowHandle();
  }
  // A top-level window reports the desktop window as its previous parent, as Win32 does.
  const WindowHandle previous = w->parent ? w->parent : kDesktopWindow;
  if (auto* list = SiblingListLocked(*w)) std::erase(*list, window);
  w->message_only = false;
  w->parent = new_parent;
  LinkLocked(*w, kHwndTop);  // Win32 links a re-parented window at the top of its new siblings
  return previous;
}

uint32_t DeskWindows::GetStyle(WindowHandle window, int index) {
  if (window == kDesktopWindow) return index == kGwlStyle ? kDesktopStyle : 0;
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  if (!w) return 0;
  if (index == kGwlStyle) return w->style;
  if (index == kGwlExStyle) return w->ex_style;
  return 0;
}

uint32_t DeskWindows::SetStyle(WindowHandle window, int index, uint32_t style) {
  Lock lock(mutex_);
  Window* w = FindLocked(window);
  if (!w) return 0;
  if (index == kGwlStyle) {
    const uint32_t previous = w->style;
    w->style = style;
    return previous;
  }
  if (index == kGwlExStyle) {
    const uint32_t previous = w->ex_style;
    // As Win32: the topmost bit changes only through SetWindowPos.
    w->ex_style = (style & ~kWsExTopMost) | (previous & kWsExTopMost);
    return previous;
  }
  return 0;
}

bool DeskWindows::ShowWindow(WindowHandle window, int show_command) {
  Lock lock(mutex_);
  Window* w = FindLocked(window);
  if (!w) return false;
  const bool was_visible = (w->style & kWsVisible) != 0;
  bool raise = false;
  bool deactivate = false;
  auto minimise = [&] {
    if (!(w->style & kWsMinimize)) {
      w->restore_maximized = (w->style & kWsMaximize) != 0;
      w->style = (w->style | kWsMinimize) & ~kWsMaximize;
    }
    w->style |= kWsVisible;
  };
  switch (show_command) {
    case kSwHide:
      w->style &= ~kWsVisible;
      deactivate = true;
      break;
    case kSwMinimize:
    case kSwForceMinimize:
      minimise();
      deactivate = true;
      break;
    case kSwShowMinimized:
    case kSwShowMinNoActive:
      minimise();
      break;
    case kSwMaximize:
      raise = !was_visible || !(w->style & kWsMaximize);
      w->style = (w->style | kWsMaximize | kWsVisible) & ~kWsMinimize;
      break;
    case kSwShow:
      raise = !was_visible;
      w->style |= kWsVisible;
      break;
    case kSwShowNa:
      w->style |= kWsVisible;
      break;
    case kSwNormal:
    case kSwShowNoActivate:
    case kSwRestore:
    case kSwShowDefault:
      if (w->style & kWsMinimize) {
        w->style &= ~kWsMinimize;
        if (w->restore_maximized) w->style |= kWsMaximize;
        raise = true;
      } else if (w->style & kWsMaximize) {
        w->style &= ~kWsMaximize;
        raise = true;
      }
      if (!was_visible) raise = true;
      w->style |= kWsVisible;
      if (show_command == kSwShowNoActivate) raise = false;
      break;
    default:
      return was_visible;
  }
  if (raise && !w->parent) LinkLocked(*w, kHwndTop);
  if (deactivate && foreground_ == window) SetForegroundLocked(WindowHandle());
  return was_visible;
}

bool DeskWindows::ShowWindowAsync(WindowHandle window, int show_command) {
  if (!IsWindow(window)) return false;
  ShowWindow(window, show_command);  // applied at once
  return true;
}

bool DeskWindows::IsIconic(WindowHandle window) {
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  return w && (w->style & kWsMinimize);
}

bool DeskWindows::IsVisible(WindowHandle window) {
  if (window == kDesktopWindow) return true;
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  if (!w) return false;
  // IsWindowVisible: the window and all its ancestors visible, no ancestor minimised.
  if (!(w->style & kWsVisible)) return false;
  for (const Window* p = FindLocked(w->parent); p; p = FindLocked(p->parent)) {
    if (!(p->style & kWsVisible) || (p->style & kWsMinimize)) return false;
  }
  return true;
}

bool DeskWindows::IsZoomed(WindowHandle window) {
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  return w && (w->style & kWsMaximize);
}

bool DeskWindows::SetWindowPos(WindowHandle window, int32_t insert_after, int x, int y, int width,
                               int height, uint32_t flags) {
  Lock lock(mutex_);
  Window* w = FindLocked(window);
  if (!w) return false;
  const bool z_order = !(flags & kSwpNoZOrder) && SiblingListLocked(*w) != nullptr &&
                       insert_after != static_cast<int32_t>(window.value);
  if (z_order && !IsSpecialInsertAfter(insert_after)) {
    const Window* after = FindLocked(WindowHandle(static_cast<uint32_t>(insert_after)));
    if (!after || after->parent != w->parent || after->message_only) return false;
  }
  if (!(flags & kSwpNoMove)) {
    w->rect.x = x;
    w->rect.y = y;
  }
  if (!(flags & kSwpNoSize)) {
    w->rect.width = std::max(0, width);
    w->rect.height = std::max(0, height);
  }
  if (z_order) LinkLocked(*w, insert_after);
  if (flags & kSwpFrameChanged) ++w->frame_changes;
  if (flags & kSwpShowWindow) w->style |= kWsVisible;
  if (flags & kSwpHideWindow) {
    w->style &= ~kWsVisible;
    if (foreground_ == window) SetForegroundLocked(WindowHandle());
  }
  return true;
}

WindowRect DeskWindows::RectOf(WindowHandle window) {
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  return w ? w->rect : WindowRect{};
}

// ---- foreground and threads ----

WindowHandle DeskWindows::ForegroundWindow() {
  Lock lock(mutex_);
  return FindLocked(foreground_) ? foreground_ : WindowHandle();
}

bool DeskWindows::SetForegroundWindow(WindowHandle window) {
  const ThreadId me = ThisThreadId();
  Lock lock(mutex_);
  Window* w = FindLocked(window);
  if (!w || w->message_only) return false;
  if ((w->style & (kWsPopup | kWsChild)) == kWsChild) return false;
  if (foreground_ == window) return true;
  const Window* current = FindLocked(foreground_);
  const bool allowed = !current || current->thread == me || w->thread == me ||
                       InputLinkedLocked(me, current->thread);
  if (!allowed) return false;
  SetForegroundLocked(window);
  if (!w->parent) LinkLocked(*w, kHwndTop);  // activation brings it to the top
  return true;
}

ThreadId DeskWindows::WindowThread(WindowHandle window) {
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  return w ? w->thread : 0;
}

ThreadId DeskWindows::CurrentThread() { return ThisThreadId(); }

bool DeskWindows::AttachThreadInput(ThreadId from, ThreadId to, bool attach) {
  Lock lock(mutex_);
  QueueLocked(ThisThreadId());  // a USER call gives the calling thread its queue
  if (from == 0 || to == 0 || from == to) return false;
  if (!queues_.count(from) || !queues_.count(to)) return false;  // Win32: threads with queues
  if (attach) {
    attachments_.insert({from, to});
    return true;
  }
  if (attachments_.erase({from, to}) > 0) return true;
  return attachments_.erase({to, from}) > 0;
}

// ---- pumping, waiting, timers ----

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
      auto handler = w->handler;
      lock.unlock();
      Dispatch(handler,
               WindowMessage{posted.window, posted.id, posted.wparam, posted.lparam, nullptr});
      lock.lock();
      continue;
    }
    if (queue->quit) return false;  // the request stays for the thread's outer loop
    const auto now = Clock::now();
    Timer* due = nullptr;
    for (Timer& timer : queue->timers) {
      if (timer.due > now) continue;
      const std::pair<WindowHandle, uintptr_t> key{timer.window, timer.id};
      if (std::find(ticked.begin(), ticked.end(), key) != ticked.end()) continue;
      if (!due || timer.due < due->due) due = &timer;
    }
    if (due) {
      ticked.emplace_back(due->window, due->id);
      due->due = now + due->interval;  // no catch-up: the next tick is one period from now
      const WindowHandle window = due->window;
      const uintptr_t id = due->id;
      const TimerProc proc = due->proc;
      lock.unlock();
      proc(window, id);
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
    Clock::time_point wake = deadline;
    for (const Timer& timer : queue->timers) wake = std::min(wake, timer.due);
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

// ---- desk-only ----

int DeskWindows::FrameChanges(WindowHandle window) const {
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  return w ? w->frame_changes : 0;
}

std::vector<WindowHandle> DeskWindows::ForegroundChanges() const {
  Lock lock(mutex_);
  return foreground_changes_;
}

void DeskWindows::ForceForeground(WindowHandle window) {
  Lock lock(mutex_);
  Window* w = FindLocked(window);
  if (!w || w->message_only) return;
  SetForegroundLocked(window);
  if (!w->parent) LinkLocked(*w, kHwndTop);
}

bool DeskWindows::SetOwner(WindowHandle window, WindowHandle owner) {
  Lock lock(mutex_);
  Window* w = FindLocked(window);
  if (!w || w->parent || w->message_only) return false;
  if (owner && (owner == window || !FindLocked(owner))) return false;
  w->owner = owner;
  return true;
}

bool DeskWindows::InputAttached(ThreadId a, ThreadId b) const {
  Lock lock(mutex_);
  return attachments_.count({a, b}) || attachments_.count({b, a});
}

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
