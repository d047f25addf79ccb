#include "platform/win32/win32_window_system.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <unordered_set>
#include <vector>

#include "platform/system_call_count.h"

#include "platform/win32/dispatch_failure.h"
#include "platform/win32/message_filter.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/window_handle.h"
#include "platform/win32/window_procedure.h"
#include "platform/win32/window_timers.h"
#include "platform/win32/windows_include.h"

namespace orvabridge::platform::win32 {
namespace {

constexpr int kTextBufferSize = 1024;

BOOL CALLBACK CollectWindow(HWND window, LPARAM into) {
  try {
    reinterpret_cast<std::vector<HWND>*>(into)->push_back(window);
    return TRUE;
  } catch (...) {
    KeepDispatchFailure();
    return FALSE;
  }
}

bool StillWindow(HWND window) {
  CountSystemCall();
  return ::IsWindow(window) != FALSE;
}

void VisitAll(const std::vector<HWND>& windows, const std::function<void(WindowHandle)>& visit) {
  RethrowDispatchFailure();
  // As the system's enumeration itself: a window that an earlier visit destroyed is skipped.
  for (HWND window : windows) {
    if (StillWindow(window)) visit(FromHwnd(window));
  }
}

// The search for windows of given classes. Asking a window of another process for its class
// costs a round trip to the window manager (under Wine, two), so the search lets the system
// filter instead: per window that has children, one filtered request per class lists the
// matching children, and the walk itself asks each window for its first child and its next
// sibling. The top-level windows come from the system's own enumeration.
class ClassSearch {
 public:
  explicit ClassSearch(std::span<const std::string> classes) : found_(classes.size()) {
    for (const auto& name : classes) classes_.push_back(Utf8ToWide(name));
  }

  std::vector<std::vector<WindowHandle>> Run() {
    std::vector<HWND> tops;
    CountSystemCall();
    ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&tops));
    RethrowDispatchFailure();
    const auto matching_tops = MatchingChildren(nullptr);
    for (HWND top : tops) {
      Record(top, matching_tops);
      Walk(top);
    }
    return std::move(found_);
  }

 private:
  using Matches = std::vector<std::unordered_set<HWND>>;

  // The children of `parent` (the top-level windows for a null parent) of each class sought.
  Matches MatchingChildren(HWND parent) {
    Matches matches(classes_.size());
    for (size_t k = 0; k < classes_.size(); ++k) {
      HWND after = nullptr;
      for (;;) {
        CountSystemCall();
        after = ::FindWindowExW(parent, after, classes_[k].c_str(), nullptr);
        // A repeat would mean the system's order changed under us: what was seen is kept.
        if (after == nullptr || !matches[k].insert(after).second) break;
      }
    }
    return matches;
  }

  // The system compares class names without regard to letter case; the search wants the exact
  // name, which only the few windows the filter found are asked for.
  void Record(HWND window, const Matches& matches) {
    for (size_t k = 0; k < matches.size(); ++k) {
      if (matches[k].count(window) != 0 && ExactClass(window, classes_[k])) {
        found_[k].push_back(FromHwnd(window));
      }
    }
  }

  static bool ExactClass(HWND window, const std::wstring& name) {
    wchar_t buffer[kTextBufferSize] = {};
    CountSystemCall();
    const int length = ::GetClassNameW(window, buffer, kTextBufferSize);
    return length > 0 && std::wstring_view(buffer, static_cast<size_t>(length)) == name;
  }

  // The descendants of `parent`, each followed by its own, in the system's order.
  void Walk(HWND parent) {
    CountSystemCall();
    HWND child = ::GetWindow(parent, GW_CHILD);
    if (child == nullptr) return;
    const Matches matches = MatchingChildren(parent);
    // Siblings re-ordered during the walk could lead the chain in a circle: a child seen before
    // ends it.
    std::unordered_set<HWND> seen;
    while (child != nullptr && seen.insert(child).second) {
      Record(child, matches);
      Walk(child);
      CountSystemCall();
      child = ::GetWindow(child, GW_HWNDNEXT);
    }
  }

  std::vector<std::wstring> classes_;
  std::vector<std::vector<WindowHandle>> found_;
};

HWND InsertAfter(int32_t insert_after) {
  switch (insert_after) {
    case kHwndTopMost:
      return HWND_TOPMOST;
    case kHwndNoTopMost:
      return HWND_NOTOPMOST;
    case kHwndTop:
      return HWND_TOP;
    case kHwndBottom:
      return HWND_BOTTOM;
    default:
      return ToHwnd(WindowHandle(static_cast<uint32_t>(insert_after)));
  }
}

bool IsStyleIndex(int index) { return index == kGwlStyle || index == kGwlExStyle; }

// How long a window's thread may take to show a sign of life before a window-manager call that
// would wait for that thread leaves the window alone.
constexpr UINT kResponsiveProbeMilliseconds = 1000;

// A bounded send in the calling thread's terms: messages sent to this thread meanwhile are
// handled (SMTO_NORMAL) and a receiver the system reports as hung gets nothing (SMTO_ABORTIFHUNG).
// `ansi`: the message's text parameters are ANSI (the get-text request of GetTextFromWindow).
//
// A missing window is found out from the send's own failure, not by asking before every send: a
// question to the window manager costs as much as the send's own round trip.
SendResult SendWithin(HWND to, UINT message, WPARAM wparam, LPARAM lparam, Deadline limit,
                      bool ansi = false) {
  // A null window would be taken as a broadcast by neither call, but refused; said here without
  // asking.
  if (to == nullptr) return {SendStatus::kNoWindow, 0};
  if (limit == kNoLimit) {
    ::SetLastError(ERROR_SUCCESS);
    CountSystemCall();
    const LRESULT result = ansi ? ::SendMessageA(to, message, wparam, lparam)
                                : ::SendMessageW(to, message, wparam, lparam);
    // Zero is also a handler's ordinary answer; only then is the window asked about.
    if (result == 0 && (::GetLastError() == ERROR_INVALID_WINDOW_HANDLE || !StillWindow(to))) {
      return {SendStatus::kNoWindow, 0};
    }
    return {SendStatus::kHandled, static_cast<intptr_t>(result)};
  }
  const auto now = Clock::now();
  const auto remaining = limit > now ? limit - now : Clock::duration::zero();
  // Rounded up so that a send never gives up before its limit; at least one millisecond, as
  // zero would not wait at all.
  const auto milliseconds =
      std::max<long long>(1, std::chrono::ceil<std::chrono::milliseconds>(remaining).count());
  const UINT timeout = static_cast<UINT>(std::min<long long>(milliseconds, 0x7FFFFFFF));
  DWORD_PTR result = 0;
  ::SetLastError(ERROR_SUCCESS);
  const UINT flags = SMTO_NORMAL | SMTO_ABORTIFHUNG;
  CountSystemCall();
  const LRESULT sent =
      ansi ? ::SendMessageTimeoutA(to, message, wparam, lparam, flags, timeout, &result)
           : ::SendMessageTimeoutW(to, message, wparam, lparam, flags, timeout, &result);
  if (sent != 0) {
    return {SendStatus::kHandled, static_cast<intptr_t>(result)};
  }
  const DWORD failure = ::GetLastError();
  if (!StillWindow(to)) return {SendStatus::kNoWindow, 0};
  // A hung receiver makes the call return at once; a busy one runs into the time-out.
  if (failure == ERROR_TIMEOUT && Clock::now() >= limit) {
    return {SendStatus::kTimedOut, 0};
  }
  CountSystemCall();
  return {::IsHungAppWindow(to) ? SendStatus::kHung : SendStatus::kTimedOut, 0};
}

// Whether a window-manager call that waits for `window`'s thread may be made: always for windows
// of this thread, otherwise only when that thread answers within the probe's bound.
bool MayWaitFor(HWND window) {
  if (::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId()) return true;
  DWORD_PTR ignored = 0;
  return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                               kResponsiveProbeMilliseconds, &ignored) != 0;
}

DWORD TimeoutUntil(Deadline deadline) {
  if (deadline == Deadline::max()) return INFINITE;
  const auto now = Clock::now();
  if (deadline <= now) return 0;
  // Rounded up, so that the wait never ends before the deadline because of truncation.
  const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
  return static_cast<DWORD>(std::min<long long>(remaining, INFINITE - 1));
}

}  // namespace

MessageId Win32WindowSystem::RegisterMessage(std::string_view name) {
  if (name.empty()) return 0;
  const std::string ansi = Utf8ToAnsi(name);
  const UINT id = ::RegisterWindowMessageA(ansi.c_str());
  if (id != 0) AllowRegisteredMessage(id);
  return id;
}

WindowHandle Win32WindowSystem::MakeWindow(const WindowBlueprint& blueprint,
                                           MessageHandler on_message) {
  return FromHwnd(CreateHandledWindow(blueprint, std::move(on_message)));
}

void Win32WindowSystem::DestroyWindow(WindowHandle window) {
  ::DestroyWindow(ToHwnd(window));
  RethrowDispatchFailure();
}

bool Win32WindowSystem::PostDestroy(WindowHandle window) {
  // A null window would post to the calling thread's own queue instead.
  const UINT message = DestroyRequestMessage();
  if (!window || message == 0) return false;
  return ::PostMessageW(ToHwnd(window), message, 0, 0) != FALSE;
}

bool Win32WindowSystem::IsWindow(WindowHandle window) const {
  return window && StillWindow(ToHwnd(window));
}

SendResult Win32WindowSystem::SendCopyData(WindowHandle to, WindowHandle from, uint32_t code,
                                           std::span<const std::byte> record, Deadline limit) {
  if (record.size() > std::numeric_limits<DWORD>::max()) {
    throw std::length_error("copy-data record too large");
  }
  COPYDATASTRUCT block = {};
  block.dwData = code;
  block.cbData = static_cast<DWORD>(record.size());
  // The system only reads the record; the structure's field is just not declared const.
  block.lpData = record.empty() ? nullptr : const_cast<std::byte*>(record.data());
  const SendResult sent =
      SendWithin(ToHwnd(to), WM_COPYDATA, reinterpret_cast<WPARAM>(ToHwnd(from)),
                 reinterpret_cast<LPARAM>(&block), limit);
  RethrowDispatchFailure();
  return sent;
}

SendResult Win32WindowSystem::Send(WindowHandle to, MessageId id, uintptr_t wparam, intptr_t lparam,
                                   Deadline limit) {
  const SendResult sent = SendWithin(ToHwnd(to), id, wparam, lparam, limit);
  RethrowDispatchFailure();
  return sent;
}

bool Win32WindowSystem::Notify(WindowHandle to, MessageId id, uintptr_t wparam, intptr_t lparam) {
  CountSystemCall();
  const bool sent = ::SendNotifyMessageW(ToHwnd(to), id, wparam, lparam) != FALSE;
  RethrowDispatchFailure();
  return sent;
}

bool Win32WindowSystem::Post(WindowHandle to, MessageId id, uintptr_t wparam, intptr_t lparam) {
  if (!to) return false;  // a null window would make it a message of the calling thread
  return ::PostMessageW(ToHwnd(to), id, wparam, lparam) != FALSE;
}

void Win32WindowSystem::ForEachTopLevel(const std::function<void(WindowHandle)>& visit) {
  std::vector<HWND> windows;
  CountSystemCall();
  ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&windows));
  VisitAll(windows, visit);
}

void Win32WindowSystem::ForEachDescendant(WindowHandle window,
                                          const std::function<void(WindowHandle)>& visit) {
  std::vector<HWND> windows;
  // A null parent would make EnumChildWindows walk the top-level windows instead.
  CountSystemCall();
  if (window)
    ::EnumChildWindows(ToHwnd(window), &CollectWindow, reinterpret_cast<LPARAM>(&windows));
  VisitAll(windows, visit);
}

void Win32WindowSystem::ForEachThreadWindow(ThreadId thread,
                                            const std::function<void(WindowHandle)>& visit) {
  std::vector<HWND> windows;
  ::EnumThreadWindows(thread, &CollectWindow, reinterpret_cast<LPARAM>(&windows));
  VisitAll(windows, visit);
}

std::vector<std::vector<WindowHandle>> Win32WindowSystem::FindWindowsOfClasses(
    std::span<const std::string> classes) {
  return ClassSearch(classes).Run();
}

std::string Win32WindowSystem::ClassName(WindowHandle window) {
  char buffer[kTextBufferSize] = {};
  CountSystemCall();
  const int length = ::GetClassNameA(ToHwnd(window), buffer, kTextBufferSize);
  return AnsiToUtf8(std::string_view(buffer, static_cast<size_t>(std::max(length, 0))));
}

std::string Win32WindowSystem::WindowText(WindowHandle window, Clock::duration limit) {
  const HWND hwnd = ToHwnd(window);
  DWORD process = 0;
  CountSystemCall();
  if (::GetWindowThreadProcessId(hwnd, &process) == 0) return {};
  if (process != ::GetCurrentProcessId()) {
    // Another program's window: the caption the window manager keeps for it, read without sending
    // anything to that program, so that one that is busy (or hung) costs the caller nothing.
    wchar_t buffer[kTextBufferSize] = {};
    CountSystemCall();
    const int length = ::InternalGetWindowText(hwnd, buffer, kTextBufferSize);
    return WideToUtf8(std::wstring_view(buffer, static_cast<size_t>(std::max(length, 0))));
  }
  // A window of this process is asked (the get-text message), as the text may be its window
  // procedure's own; a thread of ours that does not answer within `limit` gives no title.
  char buffer[kTextBufferSize] = {};
  // The system copies the text back into this buffer only while the send lasts, so a window that
  // answers after the limit cannot write into it any more.
  const SendResult sent = SendWithin(hwnd, WM_GETTEXT, kTextBufferSize,
                                     reinterpret_cast<LPARAM>(buffer), Clock::now() + limit, true);
  RethrowDispatchFailure();
  if (!sent.handled() || sent.result <= 0) return {};
  // The count of a Unicode window answering an ANSI request may overstate the bytes; the buffer
  // itself is terminated, and never trusted beyond its last byte.
  std::string_view text(buffer,
                        static_cast<size_t>(std::min<intptr_t>(sent.result, kTextBufferSize - 1)));
  return AnsiToUtf8(text.substr(0, text.find('\0')));
}

WindowHandle Win32WindowSystem::Parent(WindowHandle window) {
  // The parent in the window tree, whatever the style: GetParent would answer the owner for a
  // pop-up and nothing for an overlapped window put under another one with SetParent.
  const HWND hwnd = ToHwnd(window);
  if (::GetAncestor(hwnd, GA_ROOT) == hwnd) return {};  // top-level or message-only
  return FromHwnd(::GetAncestor(hwnd, GA_PARENT));
}

WindowHandle Win32WindowSystem::Owner(WindowHandle window) {
  return FromHwnd(::GetWindow(ToHwnd(window), GW_OWNER));
}

WindowHandle Win32WindowSystem::SetParent(WindowHandle window, WindowHandle new_parent) {
  if (!MayWaitFor(ToHwnd(window))) return {};
  return FromHwnd(::SetParent(ToHwnd(window), ToHwnd(new_parent)));
}

uint32_t Win32WindowSystem::GetStyle(WindowHandle window, int index) {
  if (!IsStyleIndex(index)) return 0;
  return static_cast<uint32_t>(::GetWindowLongPtrW(ToHwnd(window), index));
}

uint32_t Win32WindowSystem::SetStyle(WindowHandle window, int index, uint32_t style) {
  // Other indexes address window procedures, pointers and the extra bytes our own windows keep
  // their handler in; a 32-bit value there could only do harm.
  if (!IsStyleIndex(index) || !MayWaitFor(ToHwnd(window))) return 0;
  const LONG_PTR value = static_cast<LONG_PTR>(static_cast<LONG>(style));
  const LONG_PTR previous = ::SetWindowLongPtrW(ToHwnd(window), index, value);
  RethrowDispatchFailure();  // the style-changing messages reach our handlers
  return static_cast<uint32_t>(previous);
}

bool Win32WindowSystem::ShowWindow(WindowHandle window, int show_command) {
  if (!MayWaitFor(ToHwnd(window))) return false;
  const bool was_visible = ::ShowWindow(ToHwnd(window), show_command) != FALSE;
  RethrowDispatchFailure();
  return was_visible;
}

bool Win32WindowSystem::ShowWindowAsync(WindowHandle window, int show_command) {
  const bool result = ::ShowWindowAsync(ToHwnd(window), show_command) != FALSE;
  RethrowDispatchFailure();
  return result;
}

bool Win32WindowSystem::IsIconic(WindowHandle window) {
  return ::IsIconic(ToHwnd(window)) != FALSE;
}

bool Win32WindowSystem::IsVisible(WindowHandle window) {
  return ::IsWindowVisible(ToHwnd(window)) != FALSE;
}

bool Win32WindowSystem::IsZoomed(WindowHandle window) {
  return ::IsZoomed(ToHwnd(window)) != FALSE;
}

bool Win32WindowSystem::SetWindowPos(WindowHandle window, int32_t insert_after, int x, int y,
                                     int width, int height, uint32_t flags) {
  if (!MayWaitFor(ToHwnd(window))) return false;
  const bool placed = ::SetWindowPos(ToHwnd(window), InsertAfter(insert_after), x, y, width, height,
                                     flags) != FALSE;
  RethrowDispatchFailure();
  return placed;
}

WindowRect Win32WindowSystem::RectOf(WindowHandle window) {
  RECT rect = {};
  if (!::GetWindowRect(ToHwnd(window), &rect)) return {};
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

WindowHandle Win32WindowSystem::ForegroundWindow() { return FromHwnd(::GetForegroundWindow()); }

bool Win32WindowSystem::SetForegroundWindow(WindowHandle window) {
  const bool done = ::SetForegroundWindow(ToHwnd(window)) != FALSE;
  RethrowDispatchFailure();
  return done;
}

ThreadId Win32WindowSystem::WindowThread(WindowHandle window) {
  return ::GetWindowThreadProcessId(ToHwnd(window), nullptr);
}

ThreadId Win32WindowSystem::CurrentThread() { return ::GetCurrentThreadId(); }

bool Win32WindowSystem::AttachThreadInput(ThreadId from, ThreadId to, bool attach) {
  return ::AttachThreadInput(from, to, attach ? TRUE : FALSE) != FALSE;
}

bool Win32WindowSystem::PumpMessages() {
  MSG message;
  for (;;) {
    CountSystemCall();
    if (!::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) break;
    if (message.message == WM_QUIT) {
      // Taken from the queue for us, but meant for the thread's own loop further out.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      RethrowDispatchFailure();
      return false;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
    RethrowDispatchFailure();
  }
  // Messages sent by other threads are handled inside PeekMessage itself.
  RethrowDispatchFailure();
  return true;
}

void Win32WindowSystem::HandleSentMessages() {
  MSG message;
  // A peek delivers every pending sent message before it looks at the queue; with this filter it
  // removes and dispatches nothing else.
  CountSystemCall();
  ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  RethrowDispatchFailure();
}

void Win32WindowSystem::WaitForMessage(Deadline deadline) {
  const DWORD timeout = TimeoutUntil(deadline);
  if (timeout == 0) return;
  // MWMO_INPUTAVAILABLE: also wake for input that an earlier peek saw but left in the queue.
  CountSystemCall();
  ::MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void Win32WindowSystem::PostQuitMessage() { ::PostQuitMessage(0); }

bool Win32WindowSystem::StartTimer(WindowHandle window, uintptr_t id,
                                   std::chrono::milliseconds interval, TimerProc proc) {
  // A timer belongs to a window of the calling thread, as the system documents it (a null
  // window would make a thread timer instead; Wine also accepts another thread's window).
  const HWND hwnd = ToHwnd(window);
  if (hwnd == nullptr || ::GetWindowThreadProcessId(hwnd, nullptr) != ::GetCurrentThreadId()) {
    return false;
  }
  return StartWindowTimer(hwnd, id, interval, proc);
}

void Win32WindowSystem::StopTimer(WindowHandle window, uintptr_t id) {
  StopWindowTimer(ToHwnd(window), id);
}

}  // namespace orvabridge::platform::win32
