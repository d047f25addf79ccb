// Shared pieces of the Win32 contract tests: a second thread with a window and a message loop of
// its own, a window that is destroyed with its scope, and a bounded pump-until-condition.
#pragma once

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "support/thread_runner.h"

namespace orvabridge::win32_testing {

using platform::Clock;
using platform::MessageHandler;
using platform::WindowBlueprint;
using platform::WindowHandle;
using platform::WindowMessage;
using platform::WindowSystem;

// How many times slower than a real processor this machine runs the test program and the programs
// it starts: ORVA_TEST_TIME_SCALE, which the test command sets where 32-bit programs run in an
// emulator (1 when unset). Waits for another process, or for something it does, are stretched by
// it; the library's own time-outs are not.
inline double TimeScale() {
  static const double scale = [] {
    const char* text = std::getenv("ORVA_TEST_TIME_SCALE");
    const double value = text ? std::atof(text) : 1.0;
    return value >= 1.0 ? value : 1.0;
  }();
  return scale;
}
inline std::chrono::milliseconds Scaled(std::chrono::milliseconds wait) {
  return std::chrono::milliseconds(static_cast<long long>(wait.count() * TimeScale()));
}

// Long enough never to end a healthy test; it only keeps a broken one from hanging forever.
inline std::chrono::milliseconds Patience() { return Scaled(std::chrono::seconds(30)); }

inline WindowBlueprint MessageOnlyBlueprint() {
  WindowBlueprint blueprint;
  blueprint.message_only = true;
  return blueprint;
}

inline WindowBlueprint TopLevelBlueprint(std::string class_name, std::string title) {
  WindowBlueprint blueprint;
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
  return testing::PumpUntil(windows, done, Patience());
}

// A window of the calling thread, destroyed when the owner goes out of scope.
class ScopedWindow {
 public:
  ScopedWindow(WindowSystem& windows, const WindowBlueprint& blueprint, MessageHandler handler)
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

}  // namespace orvabridge::win32_testing
