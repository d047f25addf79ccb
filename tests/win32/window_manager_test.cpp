// Real top-level windows beyond the platform contract suite (platform/contract/): style words,
// placement, show states and the foreground.
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

TEST_F(Win32WindowManagerTest, StyleWordsCanBeChanged) {
  ScopedWindow target(windows_, TopLevelBlueprint("OrvabridgeTestTarget", "target"), Default);
  const uint32_t style = windows_.GetStyle(target.get(), kGwlStyle);
  ASSERT_EQ(style & kWsCaption, kWsCaption);

  EXPECT_EQ(windows_.SetStyle(target.get(), kGwlStyle, style & ~kWsCaption), style);
  EXPECT_EQ(windows_.GetStyle(target.get(), kGwlStyle) & kWsCaption, 0u);
  EXPECT_EQ(windows_.SetStyle(target.get(), 0, 0x1234), 0u) << "only the style words are open";
}

TEST_F(Win32WindowManagerTest, PlacementMovesSizesAndSetsTheTopMostState) {
  ScopedWindow target(windows_, TopLevelBlueprint("OrvabridgeTestTarget", "target"), Default);

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
  ScopedWindow target(windows_, TopLevelBlueprint("OrvabridgeTestTarget", "target"), Default);
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
  ScopedWindow target(windows_, TopLevelBlueprint("OrvabridgeTestTarget", "target"), Default);
  windows_.ShowWindow(target.get(), platform::kSwShow);

  EXPECT_TRUE(windows_.SetForegroundWindow(target.get()));
  EXPECT_EQ(windows_.ForegroundWindow(), target.get());
}

}  // namespace
}  // namespace orvabridge::win32_testing
