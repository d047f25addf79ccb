// Per-window timers of the real window manager: ticks reach the TimerProc with the window and
// identifier they were started with, only while the owning thread pumps, and never after a stop.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "win32/win32_test_support.h"

namespace orvabridge::win32_testing {
namespace {

using namespace std::chrono_literals;

struct Tick {
  WindowHandle window;
  uintptr_t id;
};
// A TimerProc is a plain function, so the ticks are collected in a list of the file; they all
// arrive on the test's own thread.
std::vector<Tick> ticks;

void RecordTick(WindowHandle window, uintptr_t id) { ticks.push_back({window, id}); }
void FailingTick(WindowHandle, uintptr_t) { throw std::runtime_error("tick failed"); }

size_t TicksOf(uintptr_t id) {
  size_t count = 0;
  for (const Tick& tick : ticks) count += tick.id == id ? 1 : 0;
  return count;
}

class Win32TimerTest : public ::testing::Test {
 protected:
  void SetUp() override { ticks.clear(); }

  std::shared_ptr<platform::Platform> platform_ = platform::DefaultPlatform();
  WindowSystem& windows_ = platform_->Windows();
  ScopedWindow owner_{windows_, MessageOnlySpec(),
                      [](const WindowMessage&) { return std::nullopt; }};
};

TEST_F(Win32TimerTest, TicksArriveOnlyWhileTheThreadPumps) {
  ASSERT_TRUE(windows_.StartTimer(owner_.get(), 0x5EED, 1ms, &RecordTick));
  // Whatever time passes, nothing is delivered without a pump: ticks are dispatched messages.
  std::this_thread::sleep_for(30ms);
  EXPECT_TRUE(ticks.empty());

  ASSERT_TRUE(PumpUntil(windows_, [] { return ticks.size() >= 3; }));
  windows_.StopTimer(owner_.get(), 0x5EED);
  EXPECT_EQ(ticks[0].window, owner_.get());
  EXPECT_EQ(ticks[0].id, 0x5EEDu);
}

TEST_F(Win32TimerTest, TwoTimersOfOneWindowKeepTheirOwnIdentifiers) {
  ASSERT_TRUE(windows_.StartTimer(owner_.get(), 1, 5ms, &RecordTick));
  ASSERT_TRUE(windows_.StartTimer(owner_.get(), 2, 10ms, &RecordTick));

  ASSERT_TRUE(PumpUntil(windows_, [] { return TicksOf(1) >= 2 && TicksOf(2) >= 2; }));
  windows_.StopTimer(owner_.get(), 1);
  windows_.StopTimer(owner_.get(), 2);
  EXPECT_EQ(TicksOf(1) + TicksOf(2), ticks.size());
}

TEST_F(Win32TimerTest, AStoppedTimerDeliversNothingMore) {
  ASSERT_TRUE(windows_.StartTimer(owner_.get(), 3, 1ms, &RecordTick));
  ASSERT_TRUE(PumpUntil(windows_, [] { return !ticks.empty(); }));
  windows_.StopTimer(owner_.get(), 3);
  ticks.clear();

  std::this_thread::sleep_for(30ms);
  windows_.PumpMessages();
  EXPECT_TRUE(ticks.empty());
  windows_.StopTimer(owner_.get(), 3);  // stopping twice is harmless
}

TEST_F(Win32TimerTest, RestartingATimerReplacesItsCallback) {
  ASSERT_TRUE(windows_.StartTimer(owner_.get(), 4, 1ms, &FailingTick));
  ASSERT_TRUE(windows_.StartTimer(owner_.get(), 4, 1ms, &RecordTick));

  ASSERT_TRUE(PumpUntil(windows_, [] { return !ticks.empty(); }));
  windows_.StopTimer(owner_.get(), 4);
}

TEST_F(Win32TimerTest, AFailingTickIsThrownByThePump) {
  ASSERT_TRUE(windows_.StartTimer(owner_.get(), 5, 1ms, &FailingTick));
  bool thrown = false;
  const auto deadline = Clock::now() + kPatience;
  while (!thrown && Clock::now() < deadline) {
    try {
      windows_.PumpMessages();
      windows_.WaitForMessage(deadline);
    } catch (const std::runtime_error&) {
      thrown = true;
    }
  }
  windows_.StopTimer(owner_.get(), 5);
  EXPECT_TRUE(thrown);
}

}  // namespace
}  // namespace orvabridge::win32_testing
