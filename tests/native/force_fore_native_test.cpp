// ForceFore and the frame refresh, where the test needs the in-process desktop's own records:
// which threads share input, every foreground change, and frame recalculations.
#include <gtest/gtest.h>

#include "appcontrol/force_fore.h"
#include "appcontrol/window_state.h"
#include "link/appl_core.h"
#include "platform/desk/desktop.h"
#include "support/link_fixture.h"
#include "support/thread_runner.h"

namespace orvabridge::testing {
namespace {

using platform::WindowHandle;

class ForceForeNativeTest : public LinkTest {
 protected:
  platform::desk::Desktop& desktop() { return static_cast<platform::desk::Desktop&>(*platform_); }
  platform::WindowSystem& windows() { return platform_->Windows(); }
  WindowHandle OwnWindow(WindowHandle parent = WindowHandle(),
                         uint32_t style = platform::kWsOverlappedWindow | platform::kWsVisible) {
    platform::WindowBlueprint blueprint;
    blueprint.parent = parent;
    blueprint.style = style;
    return windows().MakeWindow(blueprint, nullptr);
  }
};

TEST_F(ForceForeNativeTest, TakesTheForegroundFromAnotherThreadAndDetachesAgain) {
  ThreadRunner peer(windows());
  const WindowHandle foreign = peer.Call([&] { return OwnWindow(); });
  const WindowHandle own = OwnWindow();
  windows().ShowWindow(own, platform::kSwMinimize);
  desktop().ForceForeground(foreign);

  EXPECT_TRUE(appcontrol::ForceForegroundWindow(windows(), own));
  EXPECT_EQ(windows().ForegroundWindow(), own);
  EXPECT_FALSE(windows().IsIconic(own));
  EXPECT_FALSE(desktop().InputAttached(peer.thread_id(), windows().CurrentThread()));
}

TEST_F(ForceForeNativeTest, RefusedRequestIsReportedAndTheThreadsAreDetached) {
  // Foreground and target both belong to other threads: the system refuses this thread.
  ThreadRunner holder(windows());
  ThreadRunner target(windows());
  const WindowHandle held = holder.Call([&] { return OwnWindow(); });
  desktop().ForceForeground(held);
  EXPECT_FALSE(
      appcontrol::ForceForegroundWindow(windows(), target.Call([&] { return OwnWindow(); })));
  EXPECT_EQ(windows().ForegroundWindow(), held);
  EXPECT_FALSE(desktop().InputAttached(holder.thread_id(), target.thread_id()));
}

TEST_F(ForceForeNativeTest, HiddenWindowOfTheSameThreadIsShownAndOneInFrontIsLeftAsItIs) {
  const WindowHandle own = OwnWindow();
  desktop().ForceForeground(OwnWindow());
  windows().ShowWindow(own, platform::kSwHide);
  EXPECT_TRUE(appcontrol::ForceForegroundWindow(windows(), own));
  EXPECT_EQ(windows().ForegroundWindow(), own);
  EXPECT_TRUE(windows().IsVisible(own));
  const size_t changes = desktop().ForegroundChanges().size();
  EXPECT_TRUE(appcontrol::ForceForegroundWindow(windows(), own));
  EXPECT_EQ(desktop().ForegroundChanges().size(), changes);
}

TEST_F(ForceForeNativeTest, EveryStyleChangeRecalculatesTheFrameOnce) {
  auto appl = MakeAppl();
  const WindowHandle frame = OwnWindow();
  const WindowHandle imaging = OwnWindow(frame, platform::kWsCaption | platform::kWsVisible);
  const WindowHandle host = OwnWindow();
  link::ThisThread().target_window = imaging;

  int32_t embed = static_cast<int32_t>(host.value), release = -1;
  EXPECT_EQ(appl->SetWindowState(nullptr, nullptr, nullptr, nullptr, nullptr, &embed), 1);
  EXPECT_EQ(desktop().FrameChanges(imaging), 1);
  EXPECT_EQ(appl->SetWindowState(nullptr, nullptr, nullptr, nullptr, nullptr, &release), 1);
  EXPECT_EQ(desktop().FrameChanges(imaging), 2);
  int16_t top_most = 3;
  EXPECT_EQ(appl->SetWindowState(&top_most), 1);
  EXPECT_EQ(desktop().FrameChanges(imaging), 2);  // placement alone leaves the frame
}

}  // namespace
}  // namespace orvabridge::testing
