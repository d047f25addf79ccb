#include "platform/unique_window.h"

#include <utility>

namespace orvabridge::platform {

UniqueWindow::UniqueWindow(WindowSystem& windows, const WindowBlueprint& blueprint,
                           MessageHandler on_message)
    : windows_(&windows) {
  thread_ = windows.CurrentThread();
  window_ = windows.MakeWindow(blueprint, std::move(on_message));
  if (!window_) thread_ = 0;
}

UniqueWindow::UniqueWindow(UniqueWindow&& other) noexcept
    : windows_(other.windows_),
      window_(std::exchange(other.window_, WindowHandle())),
      thread_(std::exchange(other.thread_, 0)) {}

UniqueWindow& UniqueWindow::operator=(UniqueWindow&& other) noexcept {
  if (this != &other) {
    UniqueWindow previous(std::move(*this));  // let go of when this function returns
    windows_ = other.windows_;
    window_ = std::exchange(other.window_, WindowHandle());
    thread_ = std::exchange(other.thread_, 0);
  }
  return *this;
}

UniqueWindow::~UniqueWindow() {
  try {
    Reset();
  } catch (...) {
    // Nobody to hand a handler's failure to while the owner itself goes away.
  }
}

WindowHandle UniqueWindow::Release() {
  thread_ = 0;
  return std::exchange(window_, WindowHandle());
}

void UniqueWindow::Reset() {
  if (!window_) return;
  const WindowHandle window = std::exchange(window_, WindowHandle());
  const ThreadId thread = std::exchange(thread_, 0);
  // Gone already (0), or the handle names a window of another thread by now: nothing of ours.
  if (windows_->WindowThread(window) != thread) return;
  if (windows_->CurrentThread() == thread) {
    windows_->DestroyWindow(window);
  } else {
    windows_->PostDestroy(window);
  }
}

}  // namespace orvabridge::platform
