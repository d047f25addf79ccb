// The in-process desktop's window tree and window attributes: enumeration in Z-order, parents,
// show states, the topmost band, registered messages and window texts.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/desk/desktop.h"
#include "support/thread_runner.h"

namespace orvabridge::platform::desk {
namespace {

using testing::ThreadRunner;

constexpr WindowHandle kMissing(0x7FFFFFF0);

using Handles = std::vector<WindowHandle>;

class DeskWindowTree : public ::testing::Test {
 protected:
  WindowHandle Top(std::string title = "", uint32_t style = 0, uint32_t ex_style = 0) {
    return windows().MakeWindow({"TopClass", std::move(title), WindowHandle(), style, ex_style},
                                nullptr);
  }
  WindowHandle Make(WindowHandle parent, uint32_t style = 0) {
    return windows().MakeWindow({"", "", parent, style}, nullptr);
  }
  WindowHandle Child(WindowHandle parent) { return Make(parent, kWsChild); }
  Handles TopLevel() {
    Handles out;
    windows().ForEachTopLevel([&](WindowHandle w) { out.push_back(w); });
    return out;
  }
  Handles Descendants(WindowHandle window) {
    Handles out;
    windows().ForEachDescendant(window, [&](WindowHandle w) { out.push_back(w); });
    return out;
  }
  WindowSystem& windows() { return desktop_->Windows(); }

  std::shared_ptr<Desktop> desktop_ = Desktop::Create();
};

// The rest of the window tree is in the platform contract suite (platform/contract/); here is
// what only the desktop has: the desktop window's own answers and the owner of a child.
TEST_F(DeskWindowTree, TheDesktopWindowListsEveryTopLevelWindowWithItsDescendants) {
  const WindowHandle root = Top();
  const WindowHandle c1 = Child(root);
  const WindowHandle g1 = Child(c1);
  const WindowHandle later = Top();
  EXPECT_EQ(Descendants(kDesktopWindow), (Handles{later, root, c1, g1}));
  EXPECT_EQ(windows().SetParent(kDesktopWindow, root), WindowHandle());
  EXPECT_FALSE(desktop_->SetOwner(c1, root));  // children have parents, not owners
}

TEST_F(DeskWindowTree, VisibilityFollowsTheStyleTheAncestorsAndTheShowState) {
  const WindowHandle parent = Top("", kWsVisible);
  const WindowHandle child = Make(parent, kWsChild | kWsVisible);
  EXPECT_TRUE(windows().IsVisible(child));
  EXPECT_TRUE(windows().ShowWindow(parent, kSwHide));  // answers the previous visibility
  EXPECT_FALSE(windows().IsVisible(child));
  EXPECT_FALSE(windows().IsVisible(windows().MakeMessageWindow(nullptr)));

  const WindowHandle w = Top();
  EXPECT_FALSE(windows().ShowWindow(w, kSwNormal));
  windows().ShowWindow(w, kSwMaximize);
  windows().ShowWindow(w, kSwShowMinNoActive);
  EXPECT_TRUE(windows().IsIconic(w));
  EXPECT_FALSE(windows().IsZoomed(w));
  windows().ShowWindow(w, kSwRestore);  // back to maximised, as it was before minimising
  EXPECT_TRUE(windows().IsZoomed(w));
  EXPECT_FALSE(windows().ShowWindow(kMissing, kSwShow));
}

TEST_F(DeskWindowTree, SetWindowPosMovesWindowsInAndOutOfTheTopmostBand) {
  const WindowHandle a = Top();
  const WindowHandle b = Top();
  const WindowHandle c = Top();
  const uint32_t keep = kSwpNoMove | kSwpNoSize;
  windows().SetWindowPos(a, kHwndTopMost, 0, 0, 0, 0, keep);
  EXPECT_EQ(TopLevel(), (Handles{a, c, b}));
  EXPECT_TRUE(windows().GetStyle(a, kGwlExStyle) & kWsExTopMost);
  windows().SetWindowPos(b, kHwndTop, 0, 0, 0, 0, keep);  // top of the non-topmost band
  EXPECT_EQ(TopLevel(), (Handles{a, b, c}));
  windows().SetWindowPos(a, kHwndNoTopMost, 0, 0, 0, 0, keep);
  EXPECT_EQ(TopLevel(), (Handles{a, b, c}));
  EXPECT_FALSE(windows().GetStyle(a, kGwlExStyle) & kWsExTopMost);
  windows().SetWindowPos(c, kHwndTopMost, 0, 0, 0, 0, keep | kSwpNoZOrder);
  EXPECT_FALSE(windows().GetStyle(c, kGwlExStyle) & kWsExTopMost);
  // The topmost bit changes only through SetWindowPos.
  windows().SetStyle(c, kGwlExStyle, kWsExTopMost);
  EXPECT_FALSE(windows().GetStyle(c, kGwlExStyle) & kWsExTopMost);
}

TEST_F(DeskWindowTree, RegisteredMessagesAreCaseInsensitiveAndAboveC000) {
  const MessageId id = windows().RegisterMessage("OrvantaControlInterface0");
  EXPECT_TRUE(id >= 0xC000u && id <= 0xFFFFu) << id;
  EXPECT_EQ(windows().RegisterMessage("orvantacontrolinterface0"), id);
  EXPECT_NE(windows().RegisterMessage("Another"), id);
  EXPECT_EQ(windows().RegisterMessage(""), 0u);
}

TEST_F(DeskWindowTree, WindowTextIsAnsweredByTheWindowOnItsOwnThread) {
  ThreadRunner peer(windows());
  std::atomic<ThreadId> asked_on{0};
  const WindowHandle custom = peer.Call([&] {
    return windows().MakeWindow({"", "Stored title", WindowHandle()}, [&](const WindowMessage& m) {
      if (m.id != kWmGetText) return std::optional<intptr_t>();
      asked_on = windows().CurrentThread();
      const char answer[] = "Answered title";
      std::memcpy(reinterpret_cast<char*>(m.lparam), answer, sizeof(answer));
      return std::optional<intptr_t>(sizeof(answer) - 1);
    });
  });
  EXPECT_EQ(windows().WindowText(custom, std::chrono::seconds(1)), "Answered title");
  EXPECT_EQ(asked_on, peer.thread_id());
  EXPECT_EQ(windows().WindowText(kMissing, std::chrono::seconds(1)), "");
}

}  // namespace
}  // namespace orvabridge::platform::desk
