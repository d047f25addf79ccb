// The desktop's window system: windows, per-thread queues, synchronous sends, timers. Internal to
// platform/desk; tests and tools reach it through Desktop.
//
// One class over several sources, one per part of the model:
//   desk_windows.cpp           threads, their queues and the end of a thread; the locking rules
//   desk_window_tree.cpp       making and destroying windows, parents, owners, Z-order, enumeration
//   desk_messages.cpp          sends across threads, notifications, posts, pumping and waiting
//   desk_window_attributes.cpp class names, style words, show states, placement, foreground, input
//   desk_timers.cpp            per-window timers
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/desk/desktop.h"
#include "platform/window_system.h"

namespace orvabridge::platform::desk {

class DeskWindows final : public WindowSystem, public std::enable_shared_from_this<DeskWindows> {
  struct Token {};

 public:
  static std::shared_ptr<DeskWindows> Create();
  explicit DeskWindows(Token) {}
  ~DeskWindows() override;

  MessageId RegisterMessage(std::string_view name) override;
  WindowHandle MakeWindow(const WindowBlueprint& blueprint, MessageHandler on_message) override;
  void DestroyWindow(WindowHandle window) override;
  bool PostDestroy(WindowHandle window) override;
  bool IsWindow(WindowHandle window) const override;
  SendResult SendCopyData(WindowHandle to, WindowHandle from, uint32_t code,
                          std::span<const std::byte> record, Deadline limit) override;
  SendResult Send(WindowHandle to, MessageId id, uintptr_t wparam, intptr_t lparam,
                  Deadline limit) override;
  bool Notify(WindowHandle to, MessageId id, uintptr_t wparam, intptr_t lparam) override;
  bool Post(WindowHandle to, MessageId id, uintptr_t wparam, intptr_t lparam) override;
  void ForEachTopLevel(const std::function<void(WindowHandle)>& visit) override;
  void ForEachDescendant(WindowHandle window,
                         const std::function<void(WindowHandle)>& visit) override;
  void ForEachThreadWindow(ThreadId thread,
                           const std::function<void(WindowHandle)>& visit) override;
  std::string ClassName(WindowHandle window) override;
  std::string WindowText(WindowHandle window, Clock::duration limit) override;
  WindowHandle Parent(WindowHandle window) override;
  WindowHandle Owner(WindowHandle window) override;
  WindowHandle SetParent(WindowHandle window, WindowHandle new_parent) override;
  uint32_t GetStyle(WindowHandle window, int index) override;
  uint32_t SetStyle(WindowHandle window, int index, uint32_t style) override;
  bool ShowWindow(WindowHandle window, int show_command) override;
  bool ShowWindowAsync(WindowHandle window, int show_command) override;
  bool IsIconic(WindowHandle window) override;
  bool IsVisible(WindowHandle window) override;
  bool IsZoomed(WindowHandle window) override;
  bool SetWindowPos(WindowHandle window, int32_t insert_after, int x, int y, int width, int height,
                    uint32_t flags) override;
  WindowRect RectOf(WindowHandle window) override;
  WindowHandle ForegroundWindow() override;
  bool SetForegroundWindow(WindowHandle window) override;
  ThreadId WindowThread(WindowHandle window) override;
  ThreadId CurrentThread() override;
  bool AttachThreadInput(ThreadId from, ThreadId to, bool attach) override;
  bool PumpMessages() override;
  void HandleSentMessages() override;
  void WaitForMessage(Deadline deadline) override;
  void PostQuitMessage() override;
  bool StartTimer(WindowHandle window, uintptr_t id, std::chrono::milliseconds interval,
                  TimerProc proc) override;
  void StopTimer(WindowHandle window, uintptr_t id) override;

  // Desk-only controls (see Desktop).
  int FrameChanges(WindowHandle window) const;
  std::vector<WindowHandle> ForegroundChanges() const;
  void ForceForeground(WindowHandle window);
  bool SetOwner(WindowHandle window, WindowHandle owner);
  bool InputAttached(ThreadId a, ThreadId b) const;
  void SetHungAfter(Clock::duration quiet);
  void SetThreadProcess(ThreadId thread, uint32_t process);
  uint32_t NewProcess();

  // Called when a thread that used this desktop ends: its windows go, its queue goes.
  void ThreadExited(ThreadId thread);

 private:
  struct Window {
    WindowHandle handle;
    std::string class_name;
    std::string title;
    WindowHandle parent;
    WindowHandle owner;
    uint32_t style = 0;
    uint32_t ex_style = 0;
    bool message_only = false;
    bool restore_maximized = false;  // Win32's WPF_RESTORETOMAXIMIZED
    WindowRect rect;
    ThreadId thread = 0;
    std::shared_ptr<MessageHandler> handler;
    std::vector<WindowHandle> children;  // Z-order, top first
    int frame_changes = 0;
  };
  struct SentItem;
  struct ThreadQueue;
  struct PostedItem {
    WindowHandle window;
    MessageId id = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
    bool destroy = false;  // PostDestroy: the pump destroys the window instead of dispatching
  };
  struct Timer {
    WindowHandle window;
    uintptr_t id = 0;
    Clock::duration interval{};
    TimerProc proc = nullptr;
    Clock::time_point due;
  };

  using Lock = std::unique_lock<std::mutex>;

  Window* FindLocked(WindowHandle window);
  const Window* FindLocked(WindowHandle window) const;
  std::shared_ptr<ThreadQueue> QueueLocked(ThreadId thread);
  std::vector<WindowHandle>* SiblingListLocked(const Window& window);
  void LinkLocked(Window& window, int32_t insert_after);
  bool IsDescendantLocked(WindowHandle window, WindowHandle ancestor) const;
  void CollectDestroyLocked(WindowHandle window, std::vector<WindowHandle>& out) const;
  void DestroyLocked(const std::vector<WindowHandle>& doomed);
  void SetForegroundLocked(WindowHandle window);
  bool InputLinkedLocked(ThreadId a, ThreadId b) const;
  // What a sent message carries besides its four values: a copy-data record, or a get-text
  // buffer of this capacity. Both are the receiver's own copies, so that a sender that gave up
  // leaves nothing behind that the receiver could still write into.
  struct Payload {
    const uint32_t* copy_code = nullptr;
    std::span<const std::byte> copy_bytes;
    size_t text_capacity = 0;
  };
  // A synchronous send (limit given) or a notification (no limit: nullopt). For a get-text send
  // the text goes to `text_out`.
  SendResult Deliver(WindowHandle to, MessageId id, uintptr_t wparam, intptr_t lparam,
                     const Payload& payload, std::optional<Deadline> limit,
                     std::string* text_out = nullptr);
  bool HungLocked(const ThreadQueue& queue) const;
  uint32_t ProcessOfLocked(ThreadId thread) const;
  void LookedAtQueueLocked(ThreadQueue& queue);
  void HandleSentLocked(Lock& lock, std::shared_ptr<SentItem> item);
  void CompleteLocked(SentItem& item, intptr_t result);
  intptr_t Dispatch(const std::shared_ptr<MessageHandler>& handler, const WindowMessage& message);
  intptr_t DefaultProcessing(const WindowMessage& message);
  // Timers (desk_timers.cpp). The pump takes at most one tick per timer and pump call: `ticked`
  // holds the timers that ticked in this call. The wait wakes at the earliest due time.
  std::optional<Timer> TakeDueTimerLocked(ThreadQueue& queue,
                                          std::vector<std::pair<WindowHandle, uintptr_t>>& ticked);
  Clock::time_point EarliestTimerLocked(const ThreadQueue& queue, Clock::time_point bound) const;
  void DropTimersLocked(ThreadQueue& queue, WindowHandle window);

  mutable std::mutex mutex_;
  uint32_t next_handle_ = kDesktopWindow.value + 2;
  std::unordered_map<uint32_t, Window> windows_;
  std::vector<WindowHandle> top_level_;  // Z-order, top first; topmost windows lead
  std::unordered_map<ThreadId, std::shared_ptr<ThreadQueue>> queues_;
  std::unordered_map<std::string, MessageId> registered_;
  MessageId next_message_ = 0xC000;
  WindowHandle foreground_;
  std::vector<WindowHandle> foreground_changes_;
  std::set<std::pair<ThreadId, ThreadId>> attachments_;  // (from, to) as AttachThreadInput got them
  Clock::duration hung_after_ = std::chrono::seconds(5);
  // The "process" of each thread that was given one; every other thread is in process 1.
  std::unordered_map<ThreadId, uint32_t> thread_process_;
  uint32_t next_process_ = 2;
};

}  // namespace orvabridge::platform::desk
