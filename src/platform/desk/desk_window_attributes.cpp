// The desktop's window attributes: class names, style words, show states, placement, the
// foreground window and attached input.
#include <algorithm>

#include "platform/desk/desk_thread_queue.h"
#include "platform/desk/desk_windows.h"

namespace orvabridge::platform::desk {
namespace {

constexpr uint32_t kSwpShowWindow = 0x0040;
constexpr uint32_t kSwpHideWindow = 0x0080;
constexpr int kSwShowMinimized = 2;
constexpr int kSwShowNoActivate = 4;
constexpr int kSwShowNa = 8;
constexpr int kSwShowDefault = 10;
constexpr int kSwForceMinimize = 11;
constexpr uint32_t kDesktopStyle =
    0x96000000;  // WS_POPUP|WS_VISIBLE|WS_CLIPSIBLINGS|WS_CLIPCHILDREN

bool IsSpecialInsertAfter(int32_t insert_after) {
  return insert_after == kHwndTop || insert_after == kHwndBottom || insert_after == kHwndTopMost ||
         insert_after == kHwndNoTopMost;
}

}  // namespace

std::string DeskWindows::ClassName(WindowHandle window) {
  if (window == kDesktopWindow) return "#32769";
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  return w ? w->class_name : std::string();
}

// ---- style words and show states ----

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

// ---- placement ----

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

int DeskWindows::FrameChanges(WindowHandle window) const {
  Lock lock(mutex_);
  const Window* w = FindLocked(window);
  return w ? w->frame_changes : 0;
}

// ---- foreground and input ----

void DeskWindows::SetForegroundLocked(WindowHandle window) {
  if (foreground_ == window) return;
  foreground_ = window;
  foreground_changes_.push_back(window);
}

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

bool DeskWindows::InputAttached(ThreadId a, ThreadId b) const {
  Lock lock(mutex_);
  return attachments_.count({a, b}) || attachments_.count({b, a});
}

}  // namespace orvabridge::platform::desk
