// Per-window timers on the platform of the build: ticks reach the timer procedure with the window
// and identifier they were started with, only while the owning thread pumps, and never after a
// stop or after the window is gone.
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/contract/contract_fixture.h"
#include "support/thread_runner.h"

namespace orvabridge::platform::contract {
namespace {

using testing::ThreadRunner;

struct Tick {
  WindowHandle window;
  uintptr_t id;
};
// A timer procedure is a plain function, so the ticks are collected in a list of the file; they
// all arrive on the test's own thread.
std::vector<Tick> ticks;

void RecordTick(WindowHandle window, uintptr_t id) { ticks.push_back({window, id}); }
void FailingTick(WindowHandle, uintptr_t) { throw std::runtime_error("tick failed"); }

size_t TicksOf(uintptr_t id) {
  size_t count = 0;
  for (const Tick& tick : ticks) count += tick.id == id ? 1 : 0;
  return count;
}

class PlatformTimers : public WindowTest {
 protected:
  void SetUp() override {
    ticks.clear();
    owner_ = MessageOnly();
  }

  WindowHandle owner_;
};

TEST_F(PlatformTimers, TicksArriveOnlyWhileTheThreadPumps) {
  ASSERT_TRUE(windows().StartTimer(owner_, 0x5EED, 1ms, &RecordTick));
  // Whatever time passes, nothing is delivered without a pump: ticks are dispatched messages.
  std::this_thread::sleep_for(30ms);
  EXPECT_TRUE(ticks.empty());

  ASSERT_TRUE(PumpUntil([] { return ticks.size() >= 3; }));
  windows().StopTimer(owner_, 0x5EED);
  EXPECT_EQ(ticks[0].window, owner_);
  EXPECT_EQ(ticks[0].id, 0x5EEDu);
}

TEST_F(PlatformTimers, TwoTimersOfOneWindowKeepTheirOwnIdentifiers) {
  ASSERT_TRUE(windows().StartTimer(owner_, 1, 5ms, &RecordTick));
  ASSERT_TRUE(windows().StartTimer(owner_, 2, 10ms, &RecordTick));

  ASSERT_TRUE(PumpUntil([] { return TicksOf(1) >= 2 && TicksOf(2) >= 2; }));
  windows().StopTimer(owner_, 1);
  windows().StopTimer(owner_, 2);
  EXPECT_EQ(TicksOf(1) + TicksOf(2), ticks.size());
}

TEST_F(PlatformTimers, AStoppedTimerOrOneOfADestroyedWindowDeliversNothingMore) {
  ASSERT_TRUE(windows().StartTimer(owner_, 3, 1ms, &RecordTick));
  ASSERT_TRUE(PumpUntil([] { return !ticks.empty(); }));
  windows().StopTimer(owner_, 3);
  ticks.clear();
  std::this_thread::sleep_for(30ms);
  windows().PumpMessages();
  EXPECT_TRUE(ticks.empty());
  windows().StopTimer(owner_, 3);  // stopping twice is harmless

  const WindowHandle doomed = MessageOnly();
  ASSERT_TRUE(windows().StartTimer(doomed, 4, 1ms, &RecordTick));
  windows().DestroyWindow(doomed);
  std::this_thread::sleep_for(30ms);
  windows().PumpMessages();
  EXPECT_TRUE(ticks.empty());
}

TEST_F(PlatformTimers, RestartingATimerReplacesItsCallback) {
  ASSERT_TRUE(windows().StartTimer(owner_, 4, 1ms, &FailingTick));
  ASSERT_TRUE(windows().StartTimer(owner_, 4, 1ms, &RecordTick));
  ASSERT_TRUE(PumpUntil([] { return !ticks.empty(); }));
  windows().StopTimer(owner_, 4);
}

TEST_F(PlatformTimers, AFailingTickIsThrownByThePump) {
  ASSERT_TRUE(windows().StartTimer(owner_, 5, 1ms, &FailingTick));
  bool thrown = false;
  const auto deadline = Clock::now() + kPatience;
  while (!thrown && Clock::now() < deadline) {
    try {
      windows().PumpMessages();
      windows().WaitForMessage(deadline);
    } catch (const std::runtime_error&) {
      thrown = true;
    }
  }
  windows().StopTimer(owner_, 5);
  EXPECT_TRUE(thrown);
}

TEST_F(PlatformTimers, StartOnlyForAWindowOfTheCallingThread) {
  EXPECT_FALSE(windows().StartTimer(WindowHandle(), 1, 10ms, &RecordTick));
  ThreadRunner peer(windows());
  const WindowHandle theirs = Track(peer.Call([&] { return windows().MakeWindow({}, nullptr); }));
  EXPECT_FALSE(windows().StartTimer(theirs, 1, 10ms, &RecordTick));
  peer.Call([&] { windows().DestroyWindow(theirs); });
}

}  // namespace
}  // namespace orvabridge::platform::contract
