// What only the in-process desktop's timers promise beyond the platform contract suite
// (platform/contract/timers_test.cpp): at most one tick per timer and pump call, a due timer
// wakes the wait, and a restarted timer is one timer.
#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "platform/desk/desktop.h"

namespace orvabridge::platform::desk {
namespace {

using namespace std::chrono_literals;

// Timer procedures are plain function pointers: ticks are counted here by timer id.
thread_local std::map<uintptr_t, int> ticks;
thread_local std::vector<WindowHandle> tick_windows;
void CountTick(WindowHandle window, uintptr_t id) {
  ++ticks[id];
  tick_windows.push_back(window);
}

class DeskTimers : public ::testing::Test {
 protected:
  void SetUp() override {
    ticks.clear();
    tick_windows.clear();
    window_ = windows().MakeWindow(WindowBlueprint{}, nullptr);
  }
  WindowSystem& windows() { return desktop_->Windows(); }

  std::shared_ptr<Desktop> desktop_ = Desktop::Create();
  WindowHandle window_;
};

TEST_F(DeskTimers, TicksOnlyWhileTheThreadPumpsOncePerPumpCallAndWakeTheWait) {
  ASSERT_TRUE(windows().StartTimer(window_, 1, 10ms, &CountTick));
  std::this_thread::sleep_for(40ms);  // several periods pass without pumping
  EXPECT_EQ(ticks[1], 0);
  windows().PumpMessages();
  EXPECT_EQ(ticks[1], 1);  // no catch-up burst
  EXPECT_EQ(tick_windows, std::vector<WindowHandle>{window_});

  // A due timer wakes WaitForMessage.
  const auto before = Clock::now();
  windows().WaitForMessage(before + 20s);
  EXPECT_LT(Clock::now() - before, 20s);
  windows().PumpMessages();
  EXPECT_EQ(ticks[1], 2);
}

TEST_F(DeskTimers, RestartingReplacesTheTimerAndDestroyingTheWindowEndsIt) {
  ASSERT_TRUE(windows().StartTimer(window_, 1, 10ms, &CountTick));
  ASSERT_TRUE(windows().StartTimer(window_, 1, 10ms, &CountTick));
  std::this_thread::sleep_for(30ms);
  windows().PumpMessages();
  EXPECT_EQ(ticks[1], 1);  // one timer, not two
  windows().DestroyWindow(window_);
  std::this_thread::sleep_for(30ms);
  windows().PumpMessages();
  EXPECT_EQ(ticks[1], 1);
}

}  // namespace
}  // namespace orvabridge::platform::desk
