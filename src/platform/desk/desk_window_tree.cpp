// The desktop's window tree: making and destroying windows, parents and owners as Win32 keeps
// them, the Z-order of each sibling list (topmost windows ahead of the others at the top level),
// and enumeration.
#include <algorithm>
#include <cstdio>

#include "platform/desk/desk_thread_queue.h"
#include "platform/desk/desk_windows.h"

namespace orvabridge::platform::desk {

// ---- making and destroying ----

WindowHandle DeskWindows::MakeWindow(const WindowBlueprint& blueprint, MessageHandler on_message) {
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
      DropTimersLocked(queue, handle);
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

// ---- parents, owners and the Z-order ----

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

bool DeskWindows::SetOwner(WindowHandle window, WindowHandle owner) {
  Lock lock(mutex_);
  Window* w = FindLocked(window);
  if (!w || w->parent || w->message_only) return false;
  if (owner && (owner == window || !FindLocked(owner))) return false;
  w->owner = owner;
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

}  // namespace orvabridge::platform::desk
