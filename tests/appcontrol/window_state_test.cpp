// Placing, embedding and releasing the imaging application's window, and the close operation.
// The imaging window here is a window of the test itself, made the thread's TargetWindow.
#include "appcontrol/window_state.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "link/appl_core.h"
#include "support/link_fixture.h"
#include "support/scripted_peer.h"

namespace orvabridge::testing {
namespace {

using platform::WindowHandle;
using platform::WindowRect;

constexpr WindowRect kStartRect{100, 110, 640, 480};

// Null pointers for whatever a test leaves out.
struct Args {
  std::optional<int16_t> state = std::nullopt;
  std::optional<int32_t> x = std::nullopt, y = std::nullopt, width = std::nullopt,
                         height = std::nullopt, parent = std::nullopt;
};

template <class T>
T* Ptr(std::optional<T>& value) {
  return value ? &*value : nullptr;
}

class WindowStateTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    appl_ = MakeAppl();
    window_ = MakeWindow(WindowHandle(), platform::kWsOverlappedWindow | platform::kWsVisible);
    link::ThisThread().target_window = window_;
  }
  void TearDown() override {
    appl_.reset();
    LinkTest::TearDown();
  }

  WindowHandle MakeWindow(WindowHandle parent, uint32_t style) {
    platform::WindowBlueprint blueprint;
    blueprint.class_name = "TestWindow";
    blueprint.parent = parent;
    blueprint.style = style;
    std::tie(blueprint.x, blueprint.y, blueprint.width, blueprint.height) =
        std::tie(kStartRect.x, kStartRect.y, kStartRect.width, kStartRect.height);
    return windows().MakeWindow(
        blueprint, [](const platform::WindowMessage&) { return std::optional<intptr_t>(); });
  }
  platform::WindowSystem& windows() { return platform_->Windows(); }

  int32_t SetWindowState(Args a) {
    return appl_->SetWindowState(Ptr(a.state), Ptr(a.x), Ptr(a.y), Ptr(a.width), Ptr(a.height),
                                 Ptr(a.parent));
  }
  bool TopMost(WindowHandle w) {
    return (windows().GetStyle(w, platform::kGwlExStyle) & platform::kWsExTopMost) != 0;
  }
  bool HasCaption(WindowHandle w) {
    return (windows().GetStyle(w, platform::kGwlStyle) & platform::kWsCaption) ==
           platform::kWsCaption;
  }
  static int32_t Signed(WindowHandle w) { return static_cast<int32_t>(w.value); }

  std::unique_ptr<Appl> appl_;
  WindowHandle window_;
};

TEST_F(WindowStateTest, AllOmittedShowsNormalNotTopMostAndKeepsThePlacement) {
  windows().SetWindowPos(window_, platform::kHwndTopMost, 0, 0, 0, 0,
                         platform::kSwpNoMove | platform::kSwpNoSize);
  windows().ShowWindow(window_, platform::kSwMinimize);
  ASSERT_TRUE(TopMost(window_));
  EXPECT_EQ(SetWindowState({}), 1);
  EXPECT_FALSE(windows().IsIconic(window_));
  EXPECT_FALSE(windows().IsZoomed(window_));
  EXPECT_TRUE(windows().IsVisible(window_));
  EXPECT_FALSE(TopMost(window_));
  EXPECT_EQ(windows().RectOf(window_), kStartRect);
}

TEST_F(WindowStateTest, PlacementTakesOnlyNonZeroCoordinatesAndExtents) {
  EXPECT_EQ(SetWindowState({.state = 0, .x = 50, .y = 60, .width = 400, .height = 300}), 1);
  EXPECT_EQ(windows().RectOf(window_), (WindowRect{50, 60, 400, 300}));
  // A zero coordinate keeps the position, a zero extent keeps the size.
  EXPECT_EQ(SetWindowState({.x = 0, .y = 100, .width = 800, .height = 600}), 1);
  EXPECT_EQ(windows().RectOf(window_), (WindowRect{50, 60, 800, 600}));
  EXPECT_EQ(SetWindowState({.x = 30, .y = 40, .width = 1024, .height = 0}), 1);
  EXPECT_EQ(windows().RectOf(window_), (WindowRect{30, 40, 800, 600}));
}

TEST_F(WindowStateTest, StatesMinimiseMaximiseOrSetTopMost) {
  EXPECT_EQ(SetWindowState({.state = 1}), 1);
  EXPECT_TRUE(windows().IsIconic(window_));
  EXPECT_EQ(SetWindowState({.state = 2}), 1);
  EXPECT_TRUE(windows().IsZoomed(window_));
  EXPECT_FALSE(windows().IsIconic(window_));
  EXPECT_EQ(SetWindowState({.state = 0}), 1);
  EXPECT_FALSE(windows().IsZoomed(window_));

  // Only state 3 ends up top-most, and neither it nor an unknown state touches the show state.
  windows().ShowWindow(window_, platform::kSwMinimize);
  EXPECT_EQ(SetWindowState({.state = 3}), 1);
  EXPECT_EQ(SetWindowState({.state = 3}), 1);  // stays top-most when it already was
  EXPECT_TRUE(TopMost(window_));
  EXPECT_TRUE(windows().IsIconic(window_));
  EXPECT_EQ(SetWindowState({.state = -7, .x = 5, .y = 6, .width = 70, .height = 80}), 1);
  EXPECT_FALSE(TopMost(window_));
  EXPECT_TRUE(windows().IsIconic(window_));
}

// The imaging window as a child of the application's own frame, so that it has a parent to go
// back to.
class EmbedTest : public WindowStateTest {
 protected:
  void SetUp() override {
    WindowStateTest::SetUp();
    frame_ = MakeWindow(WindowHandle(), platform::kWsOverlappedWindow | platform::kWsVisible);
    window_ = MakeWindow(frame_, platform::kWsChild | platform::kWsCaption | platform::kWsVisible);
    link::ThisThread().target_window = window_;
    first_host_ = MakeWindow(WindowHandle(), platform::kWsOverlappedWindow | platform::kWsVisible);
    second_host_ = MakeWindow(WindowHandle(), platform::kWsOverlappedWindow | platform::kWsVisible);
  }
  WindowHandle SavedParent() const { return link::ThisThread().saved_parent; }

  WindowHandle frame_, first_host_, second_host_;
};

TEST_F(EmbedTest, EmbeddingRemembersTheOriginalParentAndReleaseReturnsToIt) {
  EXPECT_EQ(SetWindowState({.parent = Signed(first_host_)}), 1);
  EXPECT_EQ(windows().Parent(window_), first_host_);
  EXPECT_FALSE(HasCaption(window_));
  EXPECT_TRUE(windows().IsVisible(window_));  // hidden only while the style changed
  EXPECT_EQ(SavedParent(), frame_);

  EXPECT_EQ(SetWindowState({.parent = Signed(second_host_)}), 1);
  EXPECT_EQ(windows().Parent(window_), second_host_);
  EXPECT_EQ(SavedParent(), frame_);  // still the first parent

  EXPECT_EQ(SetWindowState({.parent = -1}), 1);
  EXPECT_EQ(windows().Parent(window_), frame_);
  EXPECT_TRUE(HasCaption(window_));
  EXPECT_EQ(SavedParent(), frame_);  // kept for good
}

TEST_F(EmbedTest, ReleaseWithoutEmbeddingOnlyGivesTheCaptionBackAndOtherNegativesDoNothing) {
  const uint32_t bare = windows().GetStyle(window_, platform::kGwlStyle) & ~platform::kWsCaption;
  windows().SetStyle(window_, platform::kGwlStyle, bare);
  EXPECT_EQ(SetWindowState({.parent = -2}), 1);
  EXPECT_EQ(windows().GetStyle(window_, platform::kGwlStyle), bare);
  EXPECT_FALSE(SavedParent());

  EXPECT_EQ(SetWindowState({.parent = -1}), 1);
  EXPECT_EQ(windows().Parent(window_), frame_);
  EXPECT_TRUE(HasCaption(window_));
  EXPECT_FALSE(SavedParent());
}

TEST_F(EmbedTest, DestroyingTheObjectReturnsAnEmbeddedWindow) {
  EXPECT_EQ(SetWindowState({.parent = Signed(first_host_)}), 1);
  appl_.reset();
  EXPECT_EQ(windows().Parent(window_), frame_);
}

TEST_F(WindowStateTest, StyleBitsChangeEitherWordAndTheWindowEndsShown) {
  // An extended bit the system leaves alone (accept dropped files); it manages others itself.
  constexpr uint32_t kAcceptFiles = 0x00000010;
  appcontrol::SetWindowStyleBits(windows(), window_, true, kAcceptFiles, true, false);
  EXPECT_EQ(windows().GetStyle(window_, platform::kGwlExStyle) & kAcceptFiles, kAcceptFiles);
  appcontrol::SetWindowStyleBits(windows(), window_, true, kAcceptFiles, false, false);
  EXPECT_EQ(windows().GetStyle(window_, platform::kGwlExStyle) & kAcceptFiles, 0u);

  windows().ShowWindow(window_, platform::kSwHide);
  appcontrol::SetWindowStyleBits(windows(), window_, false, platform::kWsCaption, false, false);
  EXPECT_FALSE(HasCaption(window_));
  EXPECT_FALSE(windows().IsVisible(window_));
  appcontrol::SetWindowStyleBits(windows(), window_, false, platform::kWsCaption, true, true);
  EXPECT_TRUE(HasCaption(window_));
  EXPECT_TRUE(windows().IsVisible(window_));
  EXPECT_EQ(windows().RectOf(window_), kStartRect);  // the frame refresh neither moves nor sizes
}

TEST_F(WindowStateTest, AClosedWindowStillGivesOneAndIsNotForgotten) {
  windows().DestroyWindow(window_);
  EXPECT_EQ(SetWindowState({.state = 3, .x = 1, .y = 1, .width = 9, .height = 9, .parent = -1}), 1);
  EXPECT_EQ(link::ThisThread().target_window, window_);
}

class CloseApplicationTest : public LinkTest {};

TEST_F(CloseApplicationTest, NeverClosesTheImagingApplication) {
  ScriptedPeer peer(*platform_);
  auto appl = MakeAppl();
  std::string name, version = "NoLaunch";
  ASSERT_EQ(appl->InitApplication(name, version), 1);
  EXPECT_EQ(appl->CloseApplication(), 1);
  EXPECT_EQ(link::ThisThread().target_window, peer.control_window());
  EXPECT_TRUE(platform_->Windows().IsWindow(peer.control_window()));
  EXPECT_TRUE(peer.requests().empty());

  // Without its hidden window the object forgets the link.
  CoreOf(*appl).reply_window().Unload();
  EXPECT_EQ(appl->CloseApplication(), -1);
  EXPECT_FALSE(link::ThisThread().target_window);
  EXPECT_FALSE(CoreOf(*appl).reply_window().loaded());
  EXPECT_TRUE(platform_->Windows().IsWindow(peer.control_window()));
}

}  // namespace
}  // namespace orvabridge::testing
