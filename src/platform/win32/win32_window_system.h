// The window-manager contract on real Win32: a thin mapping onto user32.
//
// Points where the mapping makes a choice of its own:
// - PumpMessages leaves a quit request it takes from the queue in place (posts it again) so that
//   the thread's outer message loop ends as well; a caller that sees false must stop pumping.
// - Handler and timer failures are thrown by the backend call that ran the dispatch.
// - PostDestroy posts a message of the backend's own (registered under a private name, never let
//   through the privilege isolation filter) that the window procedure of our windows answers by
//   destroying the window; windows of other programs ignore it.
// - Enumerations collect the handles first and visit them afterwards, so a visitor may create
//   or destroy windows and may throw; a window destroyed before its turn is not visited.
// - Sends go through SendMessageTimeoutW (SMTO_NORMAL | SMTO_ABORTIFHUNG), so that a busy or
//   hung receiver in another process never holds the caller beyond its limit; the caller still
//   handles what other threads send it meanwhile. Only kNoLimit sends wait without an end.
// - Window-manager calls that make the system talk to another thread and wait for it (SetParent,
//   SetStyle, ShowWindow, SetWindowPos, AttachThreadInput, SetForegroundWindow) first ask the
//   window's thread for a sign of life within a short bound and do nothing to a window whose
//   thread does not answer, as for a window that is gone.
// - A send finds a missing window from its own failure instead of asking before it is sent.
// - FindWindowsOfClasses lets the system filter children by class (one request per class and
//   parent) instead of asking every window for its class.
// - GetStyle/SetStyle accept only the style and extended-style indexes.
// - Parent is the parent in the window tree (0 for top-level and message-only windows), also for
//   an overlapped window that SetParent put under another window; SetParent itself answers what
//   the system answers, which for a top-level window is the desktop window.
#pragma once

#include "platform/window_system.h"

namespace orvabridge::platform::win32 {

class Win32WindowSystem final : public WindowSystem {
 public:
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

  std::vector<std::vector<WindowHandle>> FindWindowsOfClasses(
      std::span<const std::string> classes) override;
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
};

}  // namespace orvabridge::platform::win32
