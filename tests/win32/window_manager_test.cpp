// Real top-level windows: enumeration by class and title, text of another thread's window,
// embedding through a new parent, style words, placement and show states.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/platform.h"
#include "win32/win32_test_support.h"

namespace orvabridge::win32_testing {
namespace {

using platform::kGwlExStyle;
using platform::kGwlStyle;
using platform::kWsCaption;
using platform::kWsChild;
using platform::kWsExTopMost;

std::optional<intptr_t> Default(const WindowMessage&) { return std::nullopt; }

class Win32WindowManagerTest : public ::testing::Test {
 protected:
  std::vector<WindowHandle> TopLevel() {
    std::vector<WindowHandle> found;
    windows_.ForEachTopLevel([&](WindowHandle window) { found.push_back(window); });
    return found;
  }
  std::vector<WindowHandle> Descendants(WindowHandle parent) {
    std::vector<WindowHandle> found;
    windows_.ForEachDescendant(parent, [&](WindowHandle window) { found.push_back(window); });
    return found;
  }
  static bool Contains(const std::vector<WindowHandle>& list, WindowHandle window) {
    return std::find(list.begin(), list.end(), window) != list.end();
  }

  std::shared_ptr<platform::Platform> platform_ = platform::DefaultPlatform();
  WindowSystem& windows_ = platform_->Windows();
};

TEST_F(Win32WindowManagerTest, EnumerationFindsAWindowByClassAndTitle) {
  ScopedWindow frame(windows_, TopLevelSpec("OrvabridgeTestFrame", "Orvabridge test frame"),
                     Default);
  ScopedWindow hidden(windows_, MessageOnlySpec(), Default);
  ASSERT_TRUE(frame.get());

  std::vector<WindowHandle> matches;
  windows_.ForEachTopLevel([&](WindowHandle window) {
    if (windows_.ClassName(window) == "OrvabridgeTestFrame" &&
        windows_.WindowText(window, std::chrono::seconds(1)) == "Orvabridge test frame") {
      matches.push_back(window);
    }
  });

  EXPECT_EQ(matches, std::vector<WindowHandle>{frame.get()});
  EXPECT_FALSE(Contains(TopLevel(), hidden.get())) << "message-only windows are not enumerated";
  std::vector<WindowHandle> own_thread;
  windows_.ForEachThreadWindow(windows_.CurrentThread(),
                               [&](WindowHandle w) { own_thread.push_back(w); });
  EXPECT_TRUE(Contains(own_thread, frame.get()));
  EXPECT_FALSE(Contains(own_thread, hidden.get())) << "nor among the thread's windows";
  EXPECT_EQ(windows_.WindowThread(frame.get()), windows_.CurrentThread());
}

TEST_F(Win32WindowManagerTest, TheTitleOfAnotherThreadsWindowIsReadThroughGetText) {
  PeerThread imaging(windows_, TopLevelSpec("ThunderRT6MDIForm", "Orvanta Imaging - Test"),
                     Default);

  EXPECT_EQ(windows_.ClassName(imaging.window()), "ThunderRT6MDIForm");
  EXPECT_EQ(windows_.WindowText(imaging.window(), std::chrono::seconds(1)),
            "Orvanta Imaging - Test");
  EXPECT_EQ(windows_.WindowThread(imaging.window()), imaging.thread_id());
  EXPECT_NE(imaging.thread_id(), windows_.CurrentThread());
  EXPECT_TRUE(windows_.AttachThreadInput(windows_.CurrentThread(), imaging.thread_id(), true));
  EXPECT_TRUE(windows_.AttachThreadInput(windows_.CurrentThread(), imaging.thread_id(), false));
}

TEST_F(Win32WindowManagerTest, AWindowWithoutTextReadsAsEmpty) {
  ScopedWindow frame(windows_, TopLevelSpec("OrvabridgeTestFrame", ""), Default);
  EXPECT_EQ(windows_.WindowText(frame.get(), std::chrono::seconds(1)), "");
  EXPECT_EQ(windows_.ClassName(WindowHandle()), "");
}

TEST_F(Win32WindowManagerTest, ANewParentEmbedsTheWindowAndThePreviousParentReleasesIt) {
  ScopedWindow host(windows_, TopLevelSpec("OrvabridgeTestHost", "host"), Default);
  ScopedWindow target(windows_, TopLevelSpec("OrvabridgeTestTarget", "target"), Default);

  const WindowHandle previous = windows_.SetParent(target.get(), host.get());
  EXPECT_TRUE(previous) << "a top-level window reports the desktop as its previous parent";
  EXPECT_EQ(windows_.Parent(target.get()), host.get()) << "also without the child style";
  EXPECT_TRUE(Contains(Descendants(host.get()), target.get()));
  EXPECT_FALSE(Contains(TopLevel(), target.get()));

  EXPECT_EQ(windows_.SetParent(target.get(), previous), host.get());
  EXPECT_FALSE(windows_.Parent(target.get()));
  EXPECT_FALSE(Contains(Descendants(host.get()), target.get()));
  EXPECT_TRUE(Contains(TopLevel(), target.get()));
}

TEST_F(Win32WindowManagerTest, AChildHasAParentAndAnOwnedWindowAnOwner) {
  ScopedWindow host(windows_, TopLevelSpec("OrvabridgeTestHost", "host"), Default);
  WindowSpec child_spec = TopLevelSpec("OrvabridgeTestChild", "child");
  child_spec.style = kWsChild;
  child_spec.parent = host.get();
  WindowSpec owned_spec = TopLevelSpec("OrvabridgeTestOwned", "owned");
  owned_spec.parent = host.get();  // not a child: an owned top-level window
  ScopedWindow child(windows_, child_spec, Default);
  ScopedWindow owned(windows_, owned_spec, Default);

  ScopedWindow hidden(windows_, MessageOnlySpec(), Default);

  EXPECT_EQ(windows_.Parent(child.get()), host.get());
  EXPECT_FALSE(windows_.Owner(child.get()));
  EXPECT_EQ(windows_.Owner(owned.get()), host.get());
  EXPECT_FALSE(windows_.Parent(owned.get())) << "an owned window is still top-level";
  EXPECT_FALSE(windows_.Owner(host.get()));
  EXPECT_FALSE(windows_.Parent(host.get()));
  EXPECT_FALSE(windows_.Parent(hidden.get()));
}

TEST_F(Win32WindowManagerTest, StyleWordsCanBeChanged) {
  ScopedWindow target(windows_, TopLevelSpec("OrvabridgeTestTarget", "target"), Default);
  const uint32_t style = windows_.GetStyle(target.get(), kGwlStyle);
  ASSERT_EQ(style & kWsCaption, kWsCaption);

  EXPECT_EQ(windows_.SetStyle(target.get(), kGwlStyle, style & ~kWsCaption), style);
  EXPECT_EQ(windows_.GetStyle(target.get(), kGwlStyle) & kWsCaption, 0u);
  EXPECT_EQ(windows_.SetStyle(target.get(), 0, 0x1234), 0u) << "only the style words are open";
}

TEST_F(Win32WindowManagerTest, PlacementMovesSizesAndSetsTheTopMostState) {
  ScopedWindow target(windows_, TopLevelSpec("OrvabridgeTestTarget", "target"), Default);

  ASSERT_TRUE(windows_.SetWindowPos(target.get(), platform::kHwndNoTopMost, 10, 20, 300, 200, 0));
  EXPECT_EQ(windows_.RectOf(target.get()), (platform::WindowRect{10, 20, 300, 200}));
  ASSERT_TRUE(windows_.SetWindowPos(target.get(), platform::kHwndTopMost, 50, 60, 0, 0,
                                    platform::kSwpNoSize | platform::kSwpNoMove));
  EXPECT_EQ(windows_.GetStyle(target.get(), kGwlExStyle) & kWsExTopMost, kWsExTopMost);
  EXPECT_EQ(windows_.RectOf(target.get()), (platform::WindowRect{10, 20, 300, 200}));

  ASSERT_TRUE(windows_.SetWindowPos(target.get(), platform::kHwndNoTopMost, 0, 0, 0, 0,
                                    platform::kSwpNoSize | platform::kSwpNoMove));
  EXPECT_EQ(windows_.GetStyle(target.get(), kGwlExStyle) & kWsExTopMost, 0u);
}

TEST_F(Win32WindowManagerTest, ShowStatesAreReported) {
  ScopedWindow target(windows_, TopLevelSpec("OrvabridgeTestTarget", "target"), Default);
  EXPECT_FALSE(windows_.IsVisible(target.get()));

  windows_.ShowWindow(target.get(), platform::kSwShow);
  EXPECT_TRUE(windows_.IsVisible(target.get()));
  windows_.ShowWindow(target.get(), platform::kSwMinimize);
  EXPECT_TRUE(windows_.IsIconic(target.get()));
  windows_.ShowWindow(target.get(), platform::kSwMaximize);
  EXPECT_TRUE(windows_.IsZoomed(target.get()));
  EXPECT_FALSE(windows_.IsIconic(target.get()));
  windows_.ShowWindow(target.get(), platform::kSwRestore);
  EXPECT_FALSE(windows_.IsZoomed(target.get()));
  windows_.ShowWindow(target.get(), platform::kSwHide);
  EXPECT_FALSE(windows_.IsVisible(target.get()));
}

TEST_F(Win32WindowManagerTest, AShownWindowCanBeBroughtToTheForeground) {
  ScopedWindow target(windows_, TopLevelSpec("OrvabridgeTestTarget", "target"), Default);
  windows_.ShowWindow(target.get(), platform::kSwShow);

  EXPECT_TRUE(windows_.SetForegroundWindow(target.get()));
  EXPECT_EQ(windows_.ForegroundWindow(), target.get());
}

}  // namespace
}  // namespace orvabridge::win32_testing
