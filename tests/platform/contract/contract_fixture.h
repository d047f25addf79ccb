// The platform contract suite: the same tests against the platform of the build, the in-process
// desktop natively and real Win32 (under Wine) in the Windows builds. Each test gets the platform
// from MakeTestPlatform(): natively a fresh desktop, on Windows the one real system, where other
// windows live beside the test's own. Window lists are therefore compared for the test's own
// windows only, in the order the system gives them.
//
// Where the two backends truly differ, a test says so next to the assertion and checks each
// backend's own answer (kWin32).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/unique_window.h"
#include "support/test_platform.h"
#include "support/thread_runner.h"

namespace orvabridge::platform::contract {

#ifdef _WIN32
inline constexpr bool kWin32 = true;
#else
inline constexpr bool kWin32 = false;
#endif

using namespace std::chrono_literals;
using Handles = std::vector<WindowHandle>;

// Bounds a test that would otherwise hang; never a timing expectation.
inline constexpr auto kPatience = std::chrono::seconds(20);
// A handle that names no window on either backend.
inline constexpr WindowHandle kMissing(0x7FFFFFF0);
// Style bits beyond those of window_system.h (Win32 values).
inline constexpr uint32_t kWsPopup = 0x80000000;

inline std::vector<std::byte> Bytes(std::string_view text) {
  const auto bytes = std::as_bytes(std::span(text));
  return {bytes.begin(), bytes.end()};
}

inline std::string Text(std::span<const std::byte> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

class PlatformTest : public ::testing::Test {
 protected:
  WindowSystem& windows() { return platform_->Windows(); }

  // Pumps this thread's messages, waiting in between, until `done` or kPatience has passed.
  bool PumpUntil(const std::function<bool()>& done) {
    return testing::PumpUntil(windows(), done, kPatience);
  }

  std::shared_ptr<Platform> platform_ = testing::MakeTestPlatform();
};

// Windows made by the test are owned by it (destroyed at its end, before the platform goes) and
// are the ones its window lists are made of.
class WindowTest : public PlatformTest {
 protected:
  // A window of this thread.
  WindowHandle Make(const WindowBlueprint& blueprint, MessageHandler on_message = nullptr) {
    owned_.emplace_back(windows(), blueprint, std::move(on_message));
    return Track(owned_.back().get());
  }
  WindowHandle Top(std::string title = "", uint32_t style = 0, uint32_t ex_style = 0) {
    return Make({"OrvabridgeContractTop", std::move(title), WindowHandle(), style, ex_style});
  }
  WindowHandle Make(WindowHandle parent, uint32_t style = 0) {
    return Make({"OrvabridgeContractWindow", "", parent, style});
  }
  WindowHandle Child(WindowHandle parent) { return Make(parent, kWsChild); }
  WindowHandle MessageOnly(MessageHandler on_message = nullptr) {
    WindowBlueprint blueprint;
    blueprint.message_only = true;
    return Make(blueprint, std::move(on_message));
  }
  // Counts a window made elsewhere (on another thread) among the test's own.
  WindowHandle Track(WindowHandle window) {
    if (window) ours_.insert(window.value);
    return window;
  }
  bool Ours(WindowHandle window) const { return ours_.count(window.value) != 0; }

  Handles TopLevel() {
    Handles out;
    windows().ForEachTopLevel([&](WindowHandle w) {
      if (Ours(w)) out.push_back(w);
    });
    return out;
  }
  Handles Descendants(WindowHandle window) {
    Handles out;
    windows().ForEachDescendant(window, [&](WindowHandle w) {
      if (Ours(w)) out.push_back(w);
    });
    return out;
  }
  Handles ThreadWindows(ThreadId thread) {
    Handles out;
    windows().ForEachThreadWindow(thread, [&](WindowHandle w) {
      if (Ours(w)) out.push_back(w);
    });
    return out;
  }
  static bool Contains(const Handles& list, WindowHandle window) {
    return std::find(list.begin(), list.end(), window) != list.end();
  }

 private:
  std::set<uint32_t> ours_;

 protected:
  std::vector<UniqueWindow> owned_;
};

}  // namespace orvabridge::platform::contract
