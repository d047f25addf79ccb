#include "environment/ctimer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "environment/shared_timer.h"
#include "platform/desk/desktop.h"

namespace orvabridge::environment {
namespace {

using namespace std::chrono_literals;
using platform::WindowHandle;
using platform::desk::Desktop;

// Generous: the test only fails on it when a tick never comes at all.
constexpr auto kPatience = 10s;

class CTimerTest : public ::testing::Test {
 protected:
  platform::WindowSystem& windows() { return desk_->Windows(); }

  std::unique_ptr<CTimer> MakeTimer(int& count, int32_t interval, bool enabled = true) {
    auto timer = std::make_unique<CTimer>(windows(), [&count] { ++count; });
    timer->SetInterval(interval);
    timer->SetEnabled(enabled);
    return timer;
  }

  // Blocks for messages and handles them until `done` holds; false if that takes unreasonably long.
  bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = platform::Clock::now() + kPatience;
    while (!done()) {
      if (platform::Clock::now() > deadline) return false;
      windows().WaitForMessage(deadline);
      windows().PumpMessages();
    }
    return true;
  }

  WindowHandle MakeTopLevelWindow() {
    platform::WindowBlueprint blueprint;
    blueprint.class_name = "HostWindow";
    return windows().MakeWindow(
        blueprint, [](const platform::WindowMessage&) { return std::optional<intptr_t>(); });
  }

  std::shared_ptr<Desktop> desk_ = Desktop::Create();
};

TEST_F(CTimerTest, EachTimerRaisesItsOwnEventAndStopsAlone) {
  int fast_ticks = 0;
  int slow_ticks = 0;
  auto fast = MakeTimer(fast_ticks, 1);
  auto slow = MakeTimer(slow_ticks, 3);
  slow->SetInterval(-5);  // ignored: the timer keeps its interval and keeps running
  EXPECT_EQ(slow->Interval(), 3);
  EXPECT_TRUE(PumpUntil([&] { return fast_ticks >= 3 && slow_ticks >= 3; }));

  // Interval zero stops the ticks but keeps the timer enabled; a timer never enabled never ticks.
  int idle_ticks = 0;
  auto idle = MakeTimer(idle_ticks, 1, false);
  fast->SetInterval(0);
  int fast_at_stop = fast_ticks;
  int slow_at_stop = slow_ticks;
  EXPECT_TRUE(PumpUntil([&] { return slow_ticks >= slow_at_stop + 3; }));
  EXPECT_EQ(fast_ticks, fast_at_stop);
  EXPECT_EQ(idle_ticks, 0);
  EXPECT_TRUE(fast->Enabled());
  fast->SetInterval(1);  // restarts because it is still enabled
  EXPECT_TRUE(PumpUntil([&] { return fast_ticks > fast_at_stop; }));

  fast->SetEnabled(false);
  fast_at_stop = fast_ticks;
  slow_at_stop = slow_ticks;
  EXPECT_TRUE(PumpUntil([&] { return slow_ticks >= slow_at_stop + 3; }));
  EXPECT_EQ(fast_ticks, fast_at_stop);
}

TEST_F(CTimerTest, DestroyedTimerNeverTicksAgainEvenWhenItsTickWasDue) {
  int victim_ticks = 0;
  int sentinel_ticks = 0;
  auto victim = MakeTimer(victim_ticks, 1);
  auto sentinel = MakeTimer(sentinel_ticks, 1);
  windows().WaitForMessage(platform::Clock::now() + kPatience);  // a tick is due now...
  EXPECT_EQ(victim_ticks + sentinel_ticks, 0);  // ...but arrives only while the thread pumps

  victim.reset();
  EXPECT_TRUE(PumpUntil([&] { return sentinel_ticks >= 3; }));
  EXPECT_EQ(victim_ticks, 0);
}

TEST_F(CTimerTest, TimerMayBeDestroyedByItsOwnEvent) {
  int ticks = 0;
  int sentinel_ticks = 0;
  std::unique_ptr<CTimer> timer;
  // The handler still uses its captures after the timer is gone, as a reconfiguring one would.
  timer = std::make_unique<CTimer>(windows(), [&] {
    timer.reset();
    ++ticks;
  });
  timer->SetInterval(1);
  timer->SetEnabled(true);
  auto sentinel = MakeTimer(sentinel_ticks, 1);

  EXPECT_TRUE(PumpUntil([&] { return ticks >= 1 && sentinel_ticks >= 3; }));
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(timer, nullptr);
}

TEST_F(CTimerTest, TickReachesOnlyALiveTimer) {
  int ticks = 0;
  auto timer = MakeTimer(ticks, 0);
  const auto id = reinterpret_cast<uintptr_t>(timer.get());
  TimerProc(WindowHandle(), id);
  EXPECT_EQ(ticks, 1);

  timer.reset();
  TimerProc(WindowHandle(), id);
  TimerProc(WindowHandle(), 0x1234);
  EXPECT_EQ(ticks, 1);
}

TEST_F(CTimerTest, ThreadWindowIsTheFirstTopLevelWindowWithoutAnOwnerAndTicksStillArrive) {
  windows().MakeMessageWindow(
      [](const platform::WindowMessage&) -> std::optional<intptr_t> { return std::nullopt; });
  EXPECT_FALSE(FindThreadWindow(windows()));  // message-only windows do not count

  const WindowHandle owner = MakeTopLevelWindow();
  const WindowHandle owned = MakeTopLevelWindow();
  ASSERT_TRUE(desk_->SetOwner(owned, owner));
  EXPECT_EQ(FindThreadWindow(windows()), owner);

  int ticks = 0;
  auto timer = MakeTimer(ticks, 1);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
}

}  // namespace
}  // namespace orvabridge::environment
