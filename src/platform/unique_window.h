// UniqueWindow: the owner of one window made through WindowSystem::MakeWindow, in the manner of
// std::unique_ptr: move-only, destroys the window when it lets go of it.
//
// A window belongs to the thread that made it, and only that thread may destroy it. The owner
// remembers that thread; when it lets go of the window on that very thread, the window is
// destroyed at once; on any other thread it asks the window's thread to do it
// (WindowSystem::PostDestroy), so that the window goes when that thread next pumps its messages,
// or when the thread ends. A window that is already gone (destroyed with its parent, by its own
// handler, or with its thread) is simply forgotten.
//
// The window system must outlive its owners.
#pragma once

#include "platform/window_system.h"

namespace orvabridge::platform {

class UniqueWindow {
 public:
  UniqueWindow() = default;
  // Makes a window of the calling thread; empty when MakeWindow fails.
  UniqueWindow(WindowSystem& windows, const WindowBlueprint& blueprint, MessageHandler on_message);

  UniqueWindow(const UniqueWindow&) = delete;
  UniqueWindow& operator=(const UniqueWindow&) = delete;
  UniqueWindow(UniqueWindow&& other) noexcept;
  // Lets go of the window held so far (as the destructor does) and takes over `other`'s.
  UniqueWindow& operator=(UniqueWindow&& other) noexcept;
  // Lets go of the window. A failure of the window's handler while it is destroyed is dropped
  // here; call Reset() first to see it.
  ~UniqueWindow();

  WindowHandle get() const { return window_; }
  // The thread the window belongs to (0 when empty).
  ThreadId thread() const { return thread_; }
  explicit operator bool() const { return static_cast<bool>(window_); }

  // Gives the window up without destroying it; the caller owns it from now on.
  WindowHandle Release();
  // Destroys the window (or has it destroyed on its thread, see above) and leaves the owner
  // empty. A failure that the window's handler throws while it is destroyed comes out here.
  void Reset();

 private:
  UniqueWindow(WindowSystem& windows, WindowHandle window, ThreadId thread)
      : windows_(&windows), window_(window), thread_(thread) {}

  WindowSystem* windows_ = nullptr;
  WindowHandle window_;
  ThreadId thread_ = 0;
};

}  // namespace orvabridge::platform
