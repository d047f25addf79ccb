// The window-manager contract the core and the simulator are written against.
// It is deliberately Win32-shaped and handle-based so that the Win32 backend is a thin mapping;
// the in-process desktop (platform/desk) models the same semantics in one process.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvabridge::platform {

// A window handle as it travels in records: 32 significant bits. A small strong type so that a
// handle can never be mixed up with a message number or a result code.
struct WindowHandle {
  uint32_t value = 0;
  constexpr WindowHandle() = default;
  constexpr explicit WindowHandle(uint32_t v) : value(v) {}
  constexpr explicit operator bool() const { return value != 0; }
  friend constexpr bool operator==(WindowHandle, WindowHandle) = default;
};

using MessageId = uint32_t;
using ThreadId = uint32_t;
using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

// Message numbers the library relies on (Win32 values).
inline constexpr MessageId kWmCopyData = 74;
inline constexpr MessageId kWmGetText = 13;
inline constexpr MessageId kWmTimer = 0x0113;
inline constexpr MessageId kWmUser = 0x0400;

// Show commands (ShowWindow values).
inline constexpr int kSwHide = 0;
inline constexpr int kSwNormal = 1;
inline constexpr int kSwMaximize = 3;
inline constexpr int kSwShow = 5;
inline constexpr int kSwMinimize = 6;
inline constexpr int kSwShowMinNoActive = 7;
inline constexpr int kSwRestore = 9;

// SetWindowPos flags and insert-after handles.
inline constexpr uint32_t kSwpNoSize = 0x0001;
inline constexpr uint32_t kSwpNoMove = 0x0002;
inline constexpr uint32_t kSwpNoZOrder = 0x0004;
inline constexpr uint32_t kSwpFrameChanged = 0x0020;
inline constexpr int32_t kHwndTop = 0;
inline constexpr int32_t kHwndBottom = 1;
inline constexpr int32_t kHwndTopMost = -1;
inline constexpr int32_t kHwndNoTopMost = -2;

// Style word indexes and bits.
inline constexpr int kGwlStyle = -16;
inline constexpr int kGwlExStyle = -20;
inline constexpr uint32_t kWsCaption = 0x00C00000;
inline constexpr uint32_t kWsChild = 0x40000000;
inline constexpr uint32_t kWsVisible = 0x10000000;
inline constexpr uint32_t kWsOverlappedWindow = 0x00CF0000;
inline constexpr uint32_t kWsExTopMost = 0x00000008;

// The data block of a copy-data message. `bytes` is only valid during the handler call.
struct CopyData {
  uint32_t code = 0;
  std::span<const std::byte> bytes;
};

struct WindowMessage {
  WindowHandle window;
  MessageId id = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
  const CopyData* copy_data = nullptr;  // set only when id == kWmCopyData
};

// How a bounded send ended.
enum class SendStatus {
  kHandled,   // the receiver handled the message; SendResult::result is its answer
  kTimedOut,  // the limit passed first; the message stays queued and may still be handled later
  kHung,      // the system reports the receiver as hung (not looking at its messages): not sent
  kNoWindow,  // the window does not exist
};

struct SendResult {
  SendStatus status = SendStatus::kNoWindow;
  intptr_t result = 0;
  bool handled() const { return status == SendStatus::kHandled; }
};

// No limit: the send waits for as long as the receiver takes (only for windows of our own).
inline constexpr Deadline kNoLimit = Deadline::max();

// A window's procedure. nullopt asks for the system's default processing.
using MessageHandler = std::function<std::optional<intptr_t>(const WindowMessage&)>;

// Timer callback in the shape of a Win32 TIMERPROC: the window and the identifier the timer was
// started with. A plain function pointer, so that the caller decides how an id finds its object.
using TimerProc = void (*)(WindowHandle window, uintptr_t id);

struct WindowBlueprint {
  std::string class_name;
  std::string title;
  WindowHandle parent;  // 0: top-level
  uint32_t style = 0;
  uint32_t ex_style = 0;
  bool message_only = false;  // not enumerated, never shown (Win32: parent HWND_MESSAGE)
  int x = 0, y = 0, width = 0, height = 0;
};

struct WindowRect {
  int x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// Method names avoid the Win32 A/W macros (CreateWindow, SendMessage, PostMessage) so that the
// Win32 backend can include <windows.h> beside this header.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // 0 when the registration fails. The same name always gives the same number.
  virtual MessageId RegisterMessage(std::string_view name) = 0;

  // Windows belong to the calling thread; their handler runs on it. A window without a handler
  // (an empty one) leaves every message to the system.
  virtual WindowHandle MakeWindow(const WindowBlueprint& blueprint, MessageHandler on_message) = 0;
  WindowHandle MakeMessageWindow(MessageHandler on_message) {
    WindowBlueprint blueprint;
    blueprint.message_only = true;
    return MakeWindow(blueprint, std::move(on_message));
  }
  // Destroys a window of the calling thread with its children and owned windows; a window of
  // another thread is left alone (the system refuses it).
  virtual void DestroyWindow(WindowHandle window) = 0;
  // Asks the window's own thread to destroy it and returns at once: the window goes when that
  // thread next pumps its messages (it is queued among the posted ones), or when the thread ends.
  // False when the window does not exist. The way to be rid of a window of another thread.
  virtual bool PostDestroy(WindowHandle window) = 0;
  virtual bool IsWindow(WindowHandle window) const = 0;

  // Synchronous copy-data send (message 74, wparam = from). Blocks until the receiver has
  // handled it or `limit` passes; messages sent to this thread by other threads meanwhile are
  // handled. A receiver that the system reports as hung gets nothing and the send returns at
  // once (Win32: SMTO_ABORTIFHUNG). The record is copied for the receiver.
  virtual SendResult SendCopyData(WindowHandle to, WindowHandle from, uint32_t code,
                                  std::span<const std::byte> record, Deadline limit) = 0;
  // Synchronous send of a plain message; same rules as SendCopyData.
  virtual SendResult Send(WindowHandle to, MessageId id, uintptr_t wparam, intptr_t lparam,
                          Deadline limit) = 0;
  // SendNotifyMessage: returns at once for windows of other threads; for a window of the calling
  // thread the handler runs before it returns.
  virtual bool Notify(WindowHandle to, MessageId id, uintptr_t wparam, intptr_t lparam) = 0;
  // PostMessage: queued for the window's thread, handled when that thread pumps.
  virtual bool Post(WindowHandle to, MessageId id, uintptr_t wparam, intptr_t lparam) = 0;

  // Enumeration in the system's order (top of the Z-order first). Message-only windows are never
  // enumerated.
  virtual void ForEachTopLevel(const std::function<void(WindowHandle)>& visit) = 0;
  virtual void ForEachDescendant(WindowHandle window,
                                 const std::function<void(WindowHandle)>& visit) = 0;
  virtual void ForEachThreadWindow(ThreadId thread,
                                   const std::function<void(WindowHandle)>& visit) = 0;

  // Every window, top-level or a descendant at any depth, whose class is one of `classes`
  // (exact, case-sensitive): one list per class, in the order of `classes`, each in the order of
  // ForEachTopLevel with every top-level window followed by its descendants in ForEachDescendant's
  // order. Message-only windows are not searched. One walk of the window tree serves every class;
  // the default reads every window's class, a backend may let the system filter by class.
  virtual std::vector<std::vector<WindowHandle>> FindWindowsOfClasses(
      std::span<const std::string> classes);

  virtual std::string ClassName(WindowHandle window) = 0;
  // The window's text. A window of another process: the caption the window manager keeps,
  // read without asking that process (Win32's InternalGetWindowText), so that a busy or hung
  // program never holds the caller. A window of this process: what the get-text message (13)
  // reports, empty when the window does not answer within `limit` or is reported as hung.
  // Empty when there is no text or no such window.
  virtual std::string WindowText(WindowHandle window, Clock::duration limit) = 0;

  virtual WindowHandle Parent(WindowHandle window) = 0;
  virtual WindowHandle Owner(WindowHandle window) = 0;
  // Returns the previous parent, 0 on failure.
  virtual WindowHandle SetParent(WindowHandle window, WindowHandle new_parent) = 0;
  virtual uint32_t GetStyle(WindowHandle window, int index) = 0;
  virtual uint32_t SetStyle(WindowHandle window, int index, uint32_t style) = 0;  // previous value
  virtual bool ShowWindow(WindowHandle window, int show_command) = 0;
  virtual bool ShowWindowAsync(WindowHandle window, int show_command) = 0;
  virtual bool IsIconic(WindowHandle window) = 0;
  virtual bool IsVisible(WindowHandle window) = 0;
  virtual bool IsZoomed(WindowHandle window) = 0;
  virtual bool SetWindowPos(WindowHandle window, int32_t insert_after, int x, int y, int width,
                            int height, uint32_t flags) = 0;
  virtual WindowRect RectOf(WindowHandle window) = 0;
  virtual WindowHandle ForegroundWindow() = 0;
  virtual bool SetForegroundWindow(WindowHandle window) = 0;
  virtual ThreadId WindowThread(WindowHandle window) = 0;
  virtual ThreadId CurrentThread() = 0;
  virtual bool AttachThreadInput(ThreadId from, ThreadId to, bool attach) = 0;

  // Handles everything waiting for the calling thread (sent, posted, due timers), then returns.
  // Returns false when a quit request was taken from the queue.
  virtual bool PumpMessages() = 0;
  // Handles only the messages that other threads have sent to this one and that wait for it,
  // nothing posted and no timer (Win32: PeekMessage with PM_QS_SENDMESSAGE).
  virtual void HandleSentMessages() = 0;
  // Blocks until a message for the calling thread is waiting or the deadline passes.
  virtual void WaitForMessage(Deadline deadline) = 0;
  // Asks the calling thread's pump to return false.
  virtual void PostQuitMessage() = 0;

  // Per-window timers: ticks are delivered only while the owning thread pumps messages.
  virtual bool StartTimer(WindowHandle window, uintptr_t id, std::chrono::milliseconds interval,
                          TimerProc proc) = 0;
  virtual void StopTimer(WindowHandle window, uintptr_t id) = 0;
};

}  // namespace orvabridge::platform
