// ForceFore and the frame refresh, where the test needs the in-process desktop's own records:
// which threads share input, every foreground change, and frame recalculations.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "appcontrol/force_fore.h"
#include "appcontrol/window_state.h"
#include "link/appl_core.h"
#include "platform/desk/desktop.h"
#include "support/link_fixture.h"

namespace orvabridge::testing {
namespace {

using platform::WindowHandle;

// A window owned by a thread of its own, which lives until the test ends.
class ForeignWindow {
 public:
  explicit ForeignWindow(platform::WindowSystem& windows) {
    thread_ = std::thread([this, &windows] {
      platform::WindowSpec blueprint;
      blueprint.class_name = "ForeignWindow";
      blueprint.style = platform::kWsOverlappedWindow | platform::kWsVisible;
      const WindowHandle made = windows.MakeWindow(
          blueprint, [](const platform::WindowMessage&) { return std::optional<intptr_t>(); });
      std::unique_lock lock(mutex_);
      window_ = made;
      changed_.notify_all();
      changed_.wait(lock, [this] { return done_; });
    });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return static_cast<bool>(window_); });
  }
  ~ForeignWindow() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  WindowHandle window() const { return window_; }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  WindowHandle window_;
  bool done_ = false;
  std::thread thread_;
};

class ForceForeNativeTest : public LinkTest {
 protected:
  platform::desk::Desktop& desktop() { return static_cast<platform::desk::Desktop&>(*platform_); }
  platform::WindowSystem& windows() { return platform_->Windows(); }
  WindowHandle OwnWindow(WindowHandle parent = WindowHandle(), uint32_t style = 0) {
    platform::WindowSpec blueprint;
    blueprint.class_name = "OwnWindow";
    blueprint.parent = parent;
    blueprint.style = style ? style : platform::kWsOverlappedWindow | platform::kWsVisible;
    return windows().MakeWindow(
        blueprint, [](const platform::WindowMessage&) { return std::optional<intptr_t>(); });
  }
};

TEST_F(ForceForeNativeTest, TakesTheForegroundFromAnotherThreadAndDetachesAgain) {
  ForeignWindow foreign(windows());
  const WindowHandle own = OwnWindow();
  windows().ShowWindow(own, platform::kSwMinimize);
  desktop().ForceForeground(foreign.window());

  EXPECT_TRUE(appcontrol::ForceForegroundWindow(windows(), own));
  EXPECT_EQ(windows().ForegroundWindow(), own);
  EXPECT_FALSE(windows().IsIconic(own));
  EXPECT_FALSE(desktop().InputAttached(windows().WindowThread(foreign.window()),
                                       windows().WindowThread(own)));
}

TEST_F(ForceForeNativeTest, RefusedRequestIsReportedAndTheThreadsAreDetached) {
  // Foreground and target both belong to other threads: the system refuses this thread.
  ForeignWindow holder(windows());
  ForeignWindow target(windows());
  desktop().ForceForeground(holder.window());
  EXPECT_FALSE(appcontrol::ForceForegroundWindow(windows(), target.window()));
  EXPECT_EQ(windows().ForegroundWindow(), holder.window());
  EXPECT_FALSE(desktop().InputAttached(windows().WindowThread(holder.window()),
                                       windows().WindowThread(target.window())));
}

TEST_F(ForceForeNativeTest, WindowAlreadyInFrontIsLeftAsItIs) {
  const WindowHandle own = OwnWindow();
  desktop().ForceForeground(own);
  const size_t changes = desktop().ForegroundChanges().size();
  EXPECT_TRUE(appcontrol::ForceForegroundWindow(windows(), own));
  EXPECT_EQ(desktop().ForegroundChanges().size(), changes);
}

TEST_F(ForceForeNativeTest, HiddenWindowOfTheSameThreadIsShown) {
  const WindowHandle own = OwnWindow();
  const WindowHandle other = OwnWindow();
  desktop().ForceForeground(other);
  windows().ShowWindow(own, platform::kSwHide);
  EXPECT_TRUE(appcontrol::ForceForegroundWindow(windows(), own));
  EXPECT_EQ(windows().ForegroundWindow(), own);
  EXPECT_TRUE(windows().IsVisible(own));
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
