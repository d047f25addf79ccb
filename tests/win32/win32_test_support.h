// Shared pieces of the Win32 contract tests: a second thread with a window and a message loop of
// its own, a window that is destroyed with its scope, and a bounded pump-until-condition.
#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <utility>

#include "platform/platform.h"

namespace orvabridge::win32_testing {

using platform::Clock;
using platform::MessageHandler;
using platform::WindowHandle;
using platform::WindowMessage;
using platform::WindowSpec;
using platform::WindowSystem;

// Long enough never to end a healthy test; it only keeps a broken one from hanging forever.
inline constexpr std::chrono::seconds kPatience{30};

inline WindowSpec MessageOnlySpec() {
  WindowSpec blueprint;
  blueprint.message_only = true;
  return blueprint;
}

inline WindowSpec TopLevelSpec(std::string class_name, std::string title) {
  WindowSpec blueprint;
  blueprint.class_name = std::move(class_name);
  blueprint.title = std::move(title);
  blueprint.style = platform::kWsOverlappedWindow;
  blueprint.x = 40;
  blueprint.y = 40;
  blueprint.width = 320;
  blueprint.height = 240;
  return blueprint;
}

// Pumps the calling thread's messages until `done` holds or the patience runs out.
inline bool PumpUntil(WindowSystem& windows, const std::function<bool()>& done) {
  const auto deadline = Clock::now() + kPatience;
  for (;;) {
    windows.PumpMessages();
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    windows.WaitForMessage(deadline);
  }
}

// A window of the calling thread, destroyed when the owner goes out of scope.
class ScopedWindow {
 public:
  ScopedWindow(WindowSystem& windows, const WindowSpec& blueprint, MessageHandler handler)
      : windows_(windows), handle_(windows.MakeWindow(blueprint, std::move(handler))) {}
  ScopedWindow(const ScopedWindow&) = delete;
  ScopedWindow& operator=(const ScopedWindow&) = delete;
  ~ScopedWindow() {
    if (windows_.IsWindow(handle_)) windows_.DestroyWindow(handle_);
  }
  WindowHandle get() const { return handle_; }

 private:
  WindowSystem& windows_;
  WindowHandle handle_;
};

// A thread that owns one window and runs a message loop until the object is destroyed.
class PeerThread {
 public:
  PeerThread(WindowSystem& windows, WindowSpec blueprint, MessageHandler handler)
      : windows_(windows) {
    std::promise<std::pair<WindowHandle, platform::ThreadId>> started;
    auto ready = started.get_future();
    thread_ = std::thread([this, blueprint = std::move(blueprint), handler = std::move(handler),
                           started = std::move(started)]() mutable {
      auto on_message = [this, handler](const WindowMessage& message) -> std::optional<intptr_t> {
        if (message.id == kStop) {
          windows_.PostQuitMessage();
          return 0;
        }
        return handler(message);
      };
      const WindowHandle window = windows_.MakeWindow(blueprint, on_message);
      started.set_value({window, windows_.CurrentThread()});
      if (!window) return;
      while (windows_.PumpMessages()) windows_.WaitForMessage(platform::Deadline::max());
      windows_.DestroyWindow(window);
    });
    std::tie(window_, thread_id_) = ready.get();
  }
  PeerThread(const PeerThread&) = delete;
  PeerThread& operator=(const PeerThread&) = delete;
  ~PeerThread() {
    windows_.Post(window_, kStop, 0, 0);
    thread_.join();
  }

  WindowHandle window() const { return window_; }
  platform::ThreadId thread_id() const { return thread_id_; }

 private:
  static constexpr platform::MessageId kStop = platform::kWmUser + 0x3F0;
  WindowSystem& windows_;
  WindowHandle window_;
  platform::ThreadId thread_id_ = 0;
  std::thread thread_;
};

}  // namespace orvabridge::win32_testing
