// The in-process desktop's window tree and window attributes: enumeration in Z-order, parents,
// style words, show states, placement and the topmost band, foreground rules, registered
// messages, class names and window texts.
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

TEST_F(DeskWindowTree, TopLevelWindowsEnumerateNewestFirstWithTopmostOnesAhead) {
  const WindowHandle a = Top();
  const WindowHandle pinned = Top("", 0, kWsExTopMost);
  const WindowHandle b = Top();
  windows().MakeMessageWindow(nullptr);  // never enumerated
  Child(a);                              // not top-level
  EXPECT_EQ(TopLevel(), (Handles{pinned, b, a}));
  // Handles are never zero and never reused.
  windows().DestroyWindow(b);
  const WindowHandle c = Top();
  EXPECT_TRUE(a);
  EXPECT_NE(c, b);
  EXPECT_FALSE(windows().IsWindow(b));
}

TEST_F(DeskWindowTree, DescendantsAreEnumeratedDepthFirstInCreationOrderUpToTheDesktop) {
  const WindowHandle root = Top();
  const WindowHandle c1 = Child(root);
  const WindowHandle c2 = Child(root);
  const WindowHandle g1 = Child(c1);
  const WindowHandle g2 = Child(c1);
  const WindowHandle gg = Child(g1);
  EXPECT_EQ(Descendants(root), (Handles{c1, g1, gg, g2, c2}));
  EXPECT_EQ(Descendants(c2), Handles{});
  EXPECT_EQ(Descendants(kMissing), Handles{});

  // The desktop window holds every top-level window, newest first.
  const WindowHandle later = Top();
  EXPECT_EQ(Descendants(kDesktopWindow), (Handles{later, root, c1, g1, gg, g2, c2}));
  EXPECT_EQ(windows().ClassName(kDesktopWindow), "#32769");
  EXPECT_TRUE(windows().IsVisible(kDesktopWindow));
  EXPECT_EQ(windows().Parent(kDesktopWindow), WindowHandle());
  EXPECT_EQ(windows().SetParent(kDesktopWindow, root), WindowHandle());
  const WindowHandle top = Make(kDesktopWindow);
  EXPECT_EQ(windows().Owner(top), WindowHandle());
  EXPECT_EQ(TopLevel().front(), top);
}

TEST_F(DeskWindowTree, ThreadWindowsAreTheTopLevelWindowsOfThatThread) {
  const WindowHandle mine = Top();
  Child(mine);
  windows().MakeMessageWindow(nullptr);
  ThreadRunner peer(windows());
  const WindowHandle theirs = peer.Call([&] { return Top(); });

  for (const auto& [thread, expected] :
       {std::pair{windows().CurrentThread(), mine}, std::pair{peer.thread_id(), theirs}}) {
    Handles seen;
    windows().ForEachThreadWindow(thread, [&](WindowHandle w) { seen.push_back(w); });
    EXPECT_EQ(seen, Handles{expected});
  }
  EXPECT_EQ(windows().WindowThread(theirs), peer.thread_id());
  EXPECT_EQ(windows().WindowThread(mine), windows().CurrentThread());
}

TEST_F(DeskWindowTree, EnumerationSurvivesWindowsDestroyedByTheCallback) {
  const WindowHandle a = Top();
  const WindowHandle b = Top();
  const WindowHandle c = Top();
  std::vector<WindowHandle> seen;
  windows().ForEachTopLevel([&](WindowHandle w) {
    seen.push_back(w);
    windows().DestroyWindow(a);
    windows().DestroyWindow(b);
  });
  EXPECT_EQ(seen, Handles{c});

  const WindowHandle root = Top();
  const WindowHandle c1 = Child(root);
  const WindowHandle c2 = Child(root);
  Child(c1);
  seen.clear();
  windows().ForEachDescendant(root, [&](WindowHandle w) {
    seen.push_back(w);
    windows().DestroyWindow(c2);
  });
  // c1's own child was listed before the callback ran on c1, as EnumChildWindows does.
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], c1);
}

TEST_F(DeskWindowTree, AParentMakesAChildWithTheChildStyleAndAnOwnedWindowWithout) {
  const WindowHandle frame = Top();
  const WindowHandle child = Child(frame);
  EXPECT_EQ(windows().Parent(child), frame);
  EXPECT_EQ(windows().Owner(child), WindowHandle());
  EXPECT_EQ(Descendants(frame), Handles{child});

  // No kWsChild: owned by the top-level ancestor of `child`.
  const WindowHandle owned = Make(child);
  EXPECT_EQ(windows().Owner(owned), frame);
  EXPECT_EQ(windows().Parent(owned), WindowHandle());  // GetParent: not a popup, not a child
  EXPECT_EQ(TopLevel().front(), owned);
  const WindowHandle popup = Make(child, kWsPopup);
  EXPECT_EQ(windows().Parent(popup), frame);  // GetParent answers a popup's owner

  EXPECT_EQ(windows().Parent(frame), WindowHandle());
  EXPECT_EQ(Make(kMissing), WindowHandle());
  EXPECT_EQ(Make(WindowHandle(), kWsChild), WindowHandle());

  const WindowHandle owned_later = Top();
  EXPECT_TRUE(desktop_->SetOwner(owned_later, frame));
  EXPECT_EQ(windows().Owner(owned_later), frame);
  EXPECT_EQ(windows().Parent(owned_later), WindowHandle());
  EXPECT_FALSE(desktop_->SetOwner(child, frame));  // children have parents, not owners
}

TEST_F(DeskWindowTree, SetParentEmbedsMovesAndReleasesButRefusesCyclesAndMissingWindows) {
  const WindowHandle host = Top();
  const WindowHandle other_host = Top();
  const WindowHandle imaging = Top("", kWsCaption);

  const WindowHandle previous = windows().SetParent(imaging, host);
  EXPECT_EQ(previous, kDesktopWindow);  // a top-level window's parent is the desktop
  EXPECT_TRUE(windows().IsWindow(previous));
  EXPECT_EQ(Descendants(host), Handles{imaging});
  EXPECT_EQ(TopLevel(), (Handles{other_host, host}));
  EXPECT_EQ(windows().GetStyle(imaging, kGwlStyle), kWsCaption);  // the style is left alone
  EXPECT_EQ(windows().Parent(imaging), WindowHandle());  // GetParent: no kWsChild, no parent

  EXPECT_EQ(windows().SetParent(imaging, other_host), host);
  EXPECT_EQ(Descendants(host), Handles{});
  EXPECT_EQ(windows().SetParent(imaging, previous), other_host);
  EXPECT_EQ(TopLevel().front(), imaging);
  EXPECT_EQ(windows().SetParent(imaging, WindowHandle()), kDesktopWindow);

  const WindowHandle child = Child(host);
  EXPECT_EQ(windows().SetParent(child, other_host), host);
  EXPECT_EQ(windows().Parent(child), other_host);
  EXPECT_EQ(windows().SetParent(child, host), other_host);
  EXPECT_EQ(windows().Parent(child), host);
  EXPECT_EQ(windows().SetParent(host, child), WindowHandle());
  EXPECT_EQ(windows().SetParent(host, host), WindowHandle());
  EXPECT_EQ(windows().Parent(host), WindowHandle());
  EXPECT_EQ(windows().SetParent(host, kMissing), WindowHandle());
  EXPECT_EQ(windows().SetParent(kMissing, host), WindowHandle());
}

TEST_F(DeskWindowTree, StyleWordsReturnThePreviousValue) {
  const WindowHandle w = Top("", kWsOverlappedWindow | kWsVisible);
  const uint32_t style = windows().GetStyle(w, kGwlStyle);
  EXPECT_EQ(style, kWsOverlappedWindow | kWsVisible);
  EXPECT_EQ(windows().SetStyle(w, kGwlStyle, style & ~kWsCaption), style);
  EXPECT_EQ(windows().GetStyle(w, kGwlStyle), style & ~kWsCaption);
  EXPECT_EQ(windows().SetStyle(w, kGwlExStyle, 0x100), 0u);
  EXPECT_EQ(windows().GetStyle(w, kGwlExStyle), 0x100u);
  EXPECT_EQ(windows().GetStyle(kMissing, kGwlStyle), 0u);
  // The topmost bit changes only through SetWindowPos.
  windows().SetStyle(w, kGwlExStyle, kWsExTopMost);
  EXPECT_FALSE(windows().GetStyle(w, kGwlExStyle) & kWsExTopMost);
}

TEST_F(DeskWindowTree, VisibilityFollowsTheStyleAndTheAncestors) {
  const WindowHandle parent = Top("", kWsVisible);
  const WindowHandle child = Make(parent, kWsChild | kWsVisible);
  EXPECT_TRUE(windows().IsVisible(child));
  windows().ShowWindow(parent, kSwHide);
  EXPECT_FALSE(windows().IsVisible(child));
  EXPECT_TRUE(windows().GetStyle(child, kGwlStyle) & kWsVisible);
  EXPECT_FALSE(windows().IsVisible(Top()));
  EXPECT_FALSE(windows().IsVisible(windows().MakeMessageWindow(nullptr)));

  // Read the style, hide, store the new style (read while visible), show: the window stays
  // visible, because the stored word carries the visible bit, as in Win32.
  const WindowHandle w = Top("", kWsOverlappedWindow | kWsVisible);
  const uint32_t style = windows().GetStyle(w, kGwlStyle);
  windows().ShowWindow(w, kSwHide);
  windows().SetStyle(w, kGwlStyle, style & ~kWsCaption);
  EXPECT_TRUE(windows().IsVisible(w));
  EXPECT_TRUE(windows().ShowWindow(w, kSwShow));
  windows().SetWindowPos(w, 0, 0, 0, 0, 0, 0x27);
  EXPECT_EQ(desktop_->FrameChanges(w), 1);
}

TEST_F(DeskWindowTree, ShowWindowSetsTheShowStateAndReturnsThePreviousVisibility) {
  const WindowHandle w = Top();
  EXPECT_FALSE(windows().ShowWindow(w, kSwNormal));
  EXPECT_TRUE(windows().IsVisible(w));
  EXPECT_TRUE(windows().ShowWindow(w, kSwMinimize));
  EXPECT_TRUE(windows().IsIconic(w));
  EXPECT_TRUE(windows().GetStyle(w, kGwlStyle) & kWsMinimize);
  EXPECT_TRUE(windows().ShowWindow(w, kSwRestore));
  EXPECT_FALSE(windows().IsIconic(w));
  windows().ShowWindow(w, kSwMaximize);
  EXPECT_TRUE(windows().IsZoomed(w));
  windows().ShowWindow(w, kSwShowMinNoActive);
  EXPECT_TRUE(windows().IsIconic(w));
  EXPECT_FALSE(windows().IsZoomed(w));
  windows().ShowWindow(w, kSwRestore);  // back to maximised, as it was before minimising
  EXPECT_TRUE(windows().IsZoomed(w));
  windows().ShowWindow(w, kSwNormal);
  EXPECT_FALSE(windows().IsZoomed(w));
  EXPECT_TRUE(windows().ShowWindow(w, kSwHide));
  EXPECT_FALSE(windows().IsVisible(w));
  EXPECT_FALSE(windows().ShowWindow(w, kSwShow));
  EXPECT_TRUE(windows().IsVisible(w));
  EXPECT_TRUE(windows().ShowWindowAsync(w, kSwMinimize));
  EXPECT_TRUE(windows().IsIconic(w));
  EXPECT_FALSE(windows().ShowWindow(kMissing, kSwShow));
}

TEST_F(DeskWindowTree, SetWindowPosMovesAndSizesUnlessAskedToKeep) {
  const WindowHandle w = windows().MakeWindow(
      {.class_name = "", .title = "", .parent = {}, .x = 1, .y = 2, .width = 3, .height = 4},
      nullptr);
  EXPECT_EQ(windows().RectOf(w), (WindowRect{1, 2, 3, 4}));
  EXPECT_TRUE(windows().SetWindowPos(w, kHwndNoTopMost, 10, 20, 300, 400, kSwpNoZOrder));
  EXPECT_EQ(windows().RectOf(w), (WindowRect{10, 20, 300, 400}));
  windows().SetWindowPos(w, kHwndNoTopMost, 0, 100, 800, 0, kSwpNoMove | kSwpNoSize);
  EXPECT_EQ(windows().RectOf(w), (WindowRect{10, 20, 300, 400}));
  windows().SetWindowPos(w, kHwndNoTopMost, 5, 6, 0, 0, kSwpNoSize);
  EXPECT_EQ(windows().RectOf(w), (WindowRect{5, 6, 300, 400}));
  EXPECT_EQ(desktop_->FrameChanges(w), 0);
  windows().SetWindowPos(w, 0, 0, 0, 0, 0,
                         kSwpNoSize | kSwpNoMove | kSwpNoZOrder | kSwpFrameChanged);
  EXPECT_EQ(windows().RectOf(w), (WindowRect{5, 6, 300, 400}));
  EXPECT_EQ(desktop_->FrameChanges(w), 1);
  EXPECT_FALSE(windows().SetWindowPos(kMissing, 0, 0, 0, 0, 0, 0));
  EXPECT_EQ(windows().RectOf(kMissing), WindowRect{});
}

TEST_F(DeskWindowTree, SetWindowPosMovesWindowsInAndOutOfTheTopmostBand) {
  const WindowHandle a = Top();
  const WindowHandle b = Top();
  const WindowHandle c = Top();
  ASSERT_EQ(TopLevel(), (Handles{c, b, a}));
  const uint32_t keep = kSwpNoMove | kSwpNoSize;

  windows().SetWindowPos(a, kHwndTopMost, 0, 0, 0, 0, keep);
  EXPECT_EQ(TopLevel(), (Handles{a, c, b}));
  EXPECT_TRUE(windows().GetStyle(a, kGwlExStyle) & kWsExTopMost);

  windows().SetWindowPos(b, kHwndTop, 0, 0, 0, 0, keep);  // top of the non-topmost band
  EXPECT_EQ(TopLevel(), (Handles{a, b, c}));

  windows().SetWindowPos(c, kHwndNoTopMost, 0, 0, 0, 0, keep);  // no effect on a non-topmost one
  EXPECT_EQ(TopLevel(), (Handles{a, b, c}));

  windows().SetWindowPos(a, kHwndNoTopMost, 0, 0, 0, 0, keep);
  EXPECT_EQ(TopLevel(), (Handles{a, b, c}));
  EXPECT_FALSE(windows().GetStyle(a, kGwlExStyle) & kWsExTopMost);

  windows().SetWindowPos(a, kHwndBottom, 0, 0, 0, 0, keep);
  EXPECT_EQ(TopLevel(), (Handles{b, c, a}));

  windows().SetWindowPos(a, static_cast<int32_t>(b.value), 0, 0, 0, 0, keep);  // just below b
  EXPECT_EQ(TopLevel(), (Handles{b, a, c}));

  windows().SetWindowPos(c, kHwndTopMost, 0, 0, 0, 0, keep | kSwpNoZOrder);
  EXPECT_EQ(TopLevel(), (Handles{b, a, c}));
  EXPECT_FALSE(windows().GetStyle(c, kGwlExStyle) & kWsExTopMost);
}

TEST_F(DeskWindowTree, RegisteredMessagesAreCaseInsensitiveAndAboveC000) {
  const MessageId id = windows().RegisterMessage("OrvantaControlInterface0");
  EXPECT_GE(id, 0xC000u);
  EXPECT_LE(id, 0xFFFFu);
  EXPECT_EQ(windows().RegisterMessage("orvantacontrolinterface0"), id);
  EXPECT_NE(windows().RegisterMessage("Another"), id);
  EXPECT_EQ(windows().RegisterMessage(""), 0u);
}

TEST_F(DeskWindowTree, ClassNameAndWindowTextTheWindowAnswersOnItsOwnThread) {
  EXPECT_EQ(windows().ClassName(Top()), "TopClass");
  EXPECT_EQ(windows().ClassName(kMissing), "");
  EXPECT_EQ(windows().WindowText(kMissing), "");
  EXPECT_EQ(windows().WindowText(Top()), "");
  ThreadRunner peer(windows());
  std::atomic<ThreadId> asked_on{0};
  const WindowHandle plain = peer.Call([&] { return Top("Plain title"); });
  const WindowHandle custom = peer.Call([&] {
    return windows().MakeWindow({"", "Stored title", WindowHandle()}, [&](const WindowMessage& m) {
      if (m.id != kWmGetText) return std::optional<intptr_t>();
      asked_on = windows().CurrentThread();
      const char answer[] = "Answered title";
      std::memcpy(reinterpret_cast<char*>(m.lparam), answer, sizeof(answer));
      return std::optional<intptr_t>(sizeof(answer) - 1);
    });
  });
  EXPECT_EQ(windows().WindowText(plain), "Plain title");
  EXPECT_EQ(windows().WindowText(custom), "Answered title");
  EXPECT_EQ(asked_on, peer.thread_id());
}

TEST_F(DeskWindowTree, ForegroundIsFreeToTakeAndTheForegroundThreadMayHandItOn) {
  const WindowHandle mine = Top("", kWsVisible);
  EXPECT_EQ(windows().ForegroundWindow(), WindowHandle());
  EXPECT_FALSE(windows().SetForegroundWindow(Child(mine)));
  EXPECT_FALSE(windows().SetForegroundWindow(windows().MakeMessageWindow(nullptr)));
  EXPECT_FALSE(windows().SetForegroundWindow(kMissing));
  EXPECT_TRUE(windows().SetForegroundWindow(mine));
  EXPECT_TRUE(windows().SetForegroundWindow(mine));  // already foreground: no change recorded
  EXPECT_EQ(windows().ForegroundWindow(), mine);

  ThreadRunner peer(windows());
  const WindowHandle theirs = peer.Call([&] { return Top(); });
  EXPECT_TRUE(windows().SetForegroundWindow(theirs));
  EXPECT_EQ(windows().ForegroundWindow(), theirs);
  EXPECT_EQ(desktop_->ForegroundChanges(), (Handles{mine, theirs}));
}

TEST_F(DeskWindowTree, ABackgroundThreadNeedsAttachedInputToTakeTheForeground) {
  ThreadRunner owner(windows());
  ThreadRunner target(windows());
  const WindowHandle foreground = owner.Call([&] { return Top(); });
  const WindowHandle wanted = target.Call([&] { return Top(); });
  desktop_->ForceForeground(foreground);
  const ThreadId me = windows().CurrentThread();
  windows().MakeMessageWindow(nullptr);  // this thread has a queue now

  EXPECT_FALSE(windows().SetForegroundWindow(wanted));
  EXPECT_EQ(windows().ForegroundWindow(), foreground);

  EXPECT_TRUE(windows().AttachThreadInput(me, owner.thread_id(), true));
  EXPECT_TRUE(desktop_->InputAttached(owner.thread_id(), me));
  EXPECT_TRUE(windows().SetForegroundWindow(wanted));
  EXPECT_EQ(windows().ForegroundWindow(), wanted);
  EXPECT_TRUE(windows().AttachThreadInput(me, owner.thread_id(), false));
  EXPECT_FALSE(desktop_->InputAttached(me, owner.thread_id()));
  EXPECT_FALSE(windows().AttachThreadInput(me, me, true));
  EXPECT_FALSE(windows().AttachThreadInput(me, 0, true));
}

TEST_F(DeskWindowTree, HidingMinimisingOrDestroyingTheForegroundWindowClearsTheForeground) {
  const WindowHandle a = Top("", kWsVisible);
  for (const int command : {kSwMinimize, kSwHide}) {
    desktop_->ForceForeground(a);
    windows().ShowWindow(a, command);
    EXPECT_EQ(windows().ForegroundWindow(), WindowHandle()) << command;
  }
  desktop_->ForceForeground(a);
  windows().DestroyWindow(a);
  EXPECT_EQ(windows().ForegroundWindow(), WindowHandle());
}

}  // namespace
}  // namespace orvabridge::platform::desk
