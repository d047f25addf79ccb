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

class DeskWindowTree : public ::testing::Test {
 protected:
  WindowHandle Top(std::string title = "", uint32_t style = 0, uint32_t ex_style = 0) {
    WindowSpec blueprint;
    blueprint.class_name = "TopClass";
    blueprint.title = std::move(title);
    blueprint.style = style;
    blueprint.ex_style = ex_style;
    return windows().MakeWindow(blueprint, nullptr);
  }
  WindowHandle Child(WindowHandle parent, std::string class_name = "ChildClass") {
    WindowSpec blueprint;
    blueprint.class_name = std::move(class_name);
    blueprint.parent = parent;
    blueprint.style = kWsChild;
    return windows().MakeWindow(blueprint, nullptr);
  }
  std::vector<WindowHandle> TopLevel() {
    std::vector<WindowHandle> out;
    windows().ForEachTopLevel([&](WindowHandle w) { out.push_back(w); });
    return out;
  }
  std::vector<WindowHandle> Descendants(WindowHandle window) {
    std::vector<WindowHandle> out;
    windows().ForEachDescendant(window, [&](WindowHandle w) { out.push_back(w); });
    return out;
  }
  WindowSystem& windows() { return desktop_->Windows(); }

  std::shared_ptr<Desktop> desktop_ = Desktop::Create();
};

using Handles = std::vector<WindowHandle>;

TEST_F(DeskWindowTree, HandlesAreDistinctNonZeroAndNeverReused) {
  const WindowHandle a = Top();
  windows().DestroyWindow(a);
  const WindowHandle b = Top();
  EXPECT_TRUE(a);
  EXPECT_TRUE(b);
  EXPECT_NE(a, b);
  EXPECT_FALSE(windows().IsWindow(a));
}

TEST_F(DeskWindowTree, TopLevelWindowsEnumerateNewestFirstWithTopmostOnesAhead) {
  const WindowHandle a = Top();
  const WindowHandle pinned = Top("", 0, kWsExTopMost);
  const WindowHandle b = Top();
  windows().MakeMessageWindow(nullptr);  // never enumerated
  Child(a);                              // not top-level
  EXPECT_EQ(TopLevel(), (Handles{pinned, b, a}));
}

TEST_F(DeskWindowTree, DescendantsAreEnumeratedDepthFirstInCreationOrder) {
  const WindowHandle root = Top();
  const WindowHandle c1 = Child(root);
  const WindowHandle c2 = Child(root);
  const WindowHandle g1 = Child(c1);
  const WindowHandle g2 = Child(c1);
  const WindowHandle gg = Child(g1);
  EXPECT_EQ(Descendants(root), (Handles{c1, g1, gg, g2, c2}));
  EXPECT_EQ(Descendants(c2), Handles{});
  EXPECT_EQ(Descendants(WindowHandle(0x7FFFFFF0)), Handles{});
}

TEST_F(DeskWindowTree, ThreadWindowsAreTheTopLevelWindowsOfThatThread) {
  const WindowHandle mine = Top();
  Child(mine);
  windows().MakeMessageWindow(nullptr);
  ThreadRunner peer(windows());
  const WindowHandle theirs = peer.Call([&] { return Top(); });

  std::vector<WindowHandle> seen;
  windows().ForEachThreadWindow(windows().CurrentThread(),
                                [&](WindowHandle w) { seen.push_back(w); });
  EXPECT_EQ(seen, Handles{mine});
  seen.clear();
  windows().ForEachThreadWindow(peer.thread_id(), [&](WindowHandle w) { seen.push_back(w); });
  EXPECT_EQ(seen, Handles{theirs});
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

  WindowSpec blueprint;
  blueprint.parent = child;  // no kWsChild: owned by the top-level ancestor of `child`
  const WindowHandle owned = windows().MakeWindow(blueprint, nullptr);
  EXPECT_EQ(windows().Owner(owned), frame);
  EXPECT_EQ(windows().Parent(owned), WindowHandle());  // GetParent: not a popup, not a child
  EXPECT_EQ(TopLevel().front(), owned);
  blueprint.style = kWsPopup;
  const WindowHandle popup = windows().MakeWindow(blueprint, nullptr);
  EXPECT_EQ(windows().Parent(popup), frame);  // GetParent answers a popup's owner

  EXPECT_EQ(windows().Parent(frame), WindowHandle());
  WindowSpec orphan;
  orphan.parent = WindowHandle(0x7FFFFFF0);
  EXPECT_EQ(windows().MakeWindow(orphan, nullptr), WindowHandle());
  WindowSpec parentless_child;
  parentless_child.style = kWsChild;
  EXPECT_EQ(windows().MakeWindow(parentless_child, nullptr), WindowHandle());
}

TEST_F(DeskWindowTree, SetParentEmbedsATopLevelWindowAndTheDesktopReleasesIt) {
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
}

TEST_F(DeskWindowTree, SetParentMovesAChildWindowBetweenParents) {
  const WindowHandle frame = Top();
  const WindowHandle host = Top();
  const WindowHandle window = Child(frame);
  EXPECT_EQ(windows().SetParent(window, host), frame);
  EXPECT_EQ(windows().Parent(window), host);
  EXPECT_EQ(windows().SetParent(window, frame), host);
  EXPECT_EQ(windows().Parent(window), frame);
}

TEST_F(DeskWindowTree, TheDesktopWindowHoldsEveryTopLevelWindow) {
  const WindowHandle a = Top();
  const WindowHandle child = Child(a);
  const WindowHandle b = Top();
  EXPECT_EQ(Descendants(kDesktopWindow), (Handles{b, a, child}));
  EXPECT_EQ(windows().ClassName(kDesktopWindow), "#32769");
  EXPECT_TRUE(windows().IsVisible(kDesktopWindow));
  EXPECT_EQ(windows().Parent(kDesktopWindow), WindowHandle());
  EXPECT_EQ(windows().SetParent(kDesktopWindow, a), WindowHandle());
  WindowSpec blueprint;
  blueprint.parent = kDesktopWindow;
  const WindowHandle top = windows().MakeWindow(blueprint, nullptr);
  EXPECT_EQ(windows().Owner(top), WindowHandle());
  EXPECT_EQ(TopLevel().front(), top);
}

TEST_F(DeskWindowTree, SetParentRefusesCyclesAndMissingWindows) {
  const WindowHandle a = Top();
  const WindowHandle b = Child(a);
  EXPECT_EQ(windows().SetParent(a, b), WindowHandle());
  EXPECT_EQ(windows().SetParent(a, a), WindowHandle());
  EXPECT_EQ(windows().Parent(a), WindowHandle());
  EXPECT_EQ(windows().SetParent(a, WindowHandle(0x7FFFFFF0)), WindowHandle());
  EXPECT_EQ(windows().SetParent(WindowHandle(0x7FFFFFF0), a), WindowHandle());
}

TEST_F(DeskWindowTree, StyleWordsReturnThePreviousValue) {
  const WindowHandle w = Top("", kWsOverlappedWindow | kWsVisible);
  const uint32_t style = windows().GetStyle(w, kGwlStyle);
  EXPECT_EQ(style, kWsOverlappedWindow | kWsVisible);
  EXPECT_EQ(windows().SetStyle(w, kGwlStyle, style & ~kWsCaption), style);
  EXPECT_EQ(windows().GetStyle(w, kGwlStyle), style & ~kWsCaption);
  EXPECT_EQ(windows().SetStyle(w, kGwlExStyle, 0x100), 0u);
  EXPECT_EQ(windows().GetStyle(w, kGwlExStyle), 0x100u);
  EXPECT_EQ(windows().GetStyle(WindowHandle(0x7FFFFFF0), kGwlStyle), 0u);
}

TEST_F(DeskWindowTree, TopmostChangesOnlyThroughSetWindowPos) {
  const WindowHandle w = Top();
  windows().SetStyle(w, kGwlExStyle, kWsExTopMost);
  EXPECT_FALSE(windows().GetStyle(w, kGwlExStyle) & kWsExTopMost);
}

TEST_F(DeskWindowTree, VisibilityFollowsTheStyleAndTheAncestors) {
  const WindowHandle parent = Top("", kWsVisible);
  WindowSpec blueprint;
  blueprint.parent = parent;
  blueprint.style = kWsChild | kWsVisible;
  const WindowHandle child = windows().MakeWindow(blueprint, nullptr);
  EXPECT_TRUE(windows().IsVisible(child));
  windows().ShowWindow(parent, kSwHide);
  EXPECT_FALSE(windows().IsVisible(child));
  EXPECT_TRUE(windows().GetStyle(child, kGwlStyle) & kWsVisible);
  EXPECT_FALSE(windows().IsVisible(Top()));
  EXPECT_FALSE(windows().IsVisible(windows().MakeMessageWindow(nullptr)));
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
  EXPECT_FALSE(windows().ShowWindow(WindowHandle(0x7FFFFFF0), kSwShow));
}

TEST_F(DeskWindowTree, HidingWhileChangingTheStyleKeepsTheWindowVisible) {
  // SetWindowStyleBits: read the style, hide, store the new style (read while visible), show.
  const WindowHandle w = Top("", kWsOverlappedWindow | kWsVisible);
  const uint32_t style = windows().GetStyle(w, kGwlStyle);
  windows().ShowWindow(w, kSwHide);
  windows().SetStyle(w, kGwlStyle, style & ~kWsCaption);
  EXPECT_TRUE(windows().IsVisible(w));  // the stored word carries the visible bit, as in Win32
  EXPECT_TRUE(windows().ShowWindow(w, kSwShow));
  windows().SetWindowPos(w, 0, 0, 0, 0, 0, 0x27);
  EXPECT_EQ(desktop_->FrameChanges(w), 1);
}

TEST_F(DeskWindowTree, SetWindowPosMovesAndSizesUnlessAskedToKeep) {
  WindowSpec blueprint;
  blueprint.x = 1;
  blueprint.y = 2;
  blueprint.width = 3;
  blueprint.height = 4;
  const WindowHandle w = windows().MakeWindow(blueprint, nullptr);
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
  EXPECT_FALSE(windows().SetWindowPos(WindowHandle(0x7FFFFFF0), 0, 0, 0, 0, 0, 0));
  EXPECT_EQ(windows().RectOf(WindowHandle(0x7FFFFFF0)), WindowRect{});
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

TEST_F(DeskWindowTree, SetWindowStateTopMostSequenceEndsTopmost) {
  // SetWindowState's iState 3: not-top-most, then top-most; other states: not-top-most only.
  const WindowHandle imaging = Top();
  const WindowHandle other = Top();
  windows().SetWindowPos(imaging, kHwndNoTopMost, 100, 100, 800, 600, 0);
  windows().SetWindowPos(imaging, kHwndTopMost, 100, 100, 800, 600, 0);
  EXPECT_TRUE(windows().GetStyle(imaging, kGwlExStyle) & kWsExTopMost);
  EXPECT_EQ(TopLevel().front(), imaging);
  windows().SetWindowPos(imaging, kHwndNoTopMost, 0, 0, 0, 0, kSwpNoMove | kSwpNoSize);
  EXPECT_FALSE(windows().GetStyle(imaging, kGwlExStyle) & kWsExTopMost);
  EXPECT_EQ(TopLevel(), (Handles{imaging, other}));
}

TEST_F(DeskWindowTree, RegisteredMessagesAreCaseInsensitiveAndAboveC000) {
  const MessageId id = windows().RegisterMessage("OrvantaControlInterface0");
  EXPECT_GE(id, 0xC000u);
  EXPECT_LE(id, 0xFFFFu);
  EXPECT_EQ(windows().RegisterMessage("orvantacontrolinterface0"), id);
  EXPECT_NE(windows().RegisterMessage("Another"), id);
  EXPECT_EQ(windows().RegisterMessage(""), 0u);
}

TEST_F(DeskWindowTree, ClassNameAndWindowText) {
  const WindowHandle w = Top("Orvanta Imaging");
  EXPECT_EQ(windows().ClassName(w), "TopClass");
  EXPECT_EQ(windows().WindowText(w), "Orvanta Imaging");
  EXPECT_EQ(windows().ClassName(WindowHandle(0x7FFFFFF0)), "");
  EXPECT_EQ(windows().WindowText(WindowHandle(0x7FFFFFF0)), "");
  EXPECT_EQ(windows().WindowText(Top()), "");
}

TEST_F(DeskWindowTree, WindowTextAsksTheWindowOnItsOwnThread) {
  ThreadRunner peer(windows());
  std::atomic<ThreadId> asked_on{0};
  const WindowHandle plain = peer.Call([&] { return Top("Plain title"); });
  WindowSpec blueprint;
  blueprint.title = "Stored title";
  const WindowHandle custom = peer.Call([&] {
    return windows().MakeWindow(blueprint, [&](const WindowMessage& m) -> std::optional<intptr_t> {
      if (m.id != kWmGetText) return std::nullopt;
      asked_on = windows().CurrentThread();
      const char answer[] = "Answered title";
      auto* buffer = reinterpret_cast<char*>(m.lparam);
      std::memcpy(buffer, answer, sizeof(answer));
      return static_cast<intptr_t>(sizeof(answer) - 1);
    });
  });
  EXPECT_EQ(windows().WindowText(plain), "Plain title");
  EXPECT_EQ(windows().WindowText(custom), "Answered title");
  EXPECT_EQ(asked_on, peer.thread_id());
}

TEST_F(DeskWindowTree, OwnerIsSetThroughTheDesktop) {
  const WindowHandle owner = Top();
  const WindowHandle owned = Top();
  EXPECT_EQ(windows().Owner(owned), WindowHandle());
  EXPECT_TRUE(desktop_->SetOwner(owned, owner));
  EXPECT_EQ(windows().Owner(owned), owner);
  EXPECT_EQ(windows().Parent(owned), WindowHandle());
  EXPECT_FALSE(desktop_->SetOwner(Child(owner), owner));  // children have parents, not owners
}

// ---- foreground ----

TEST_F(DeskWindowTree, ForegroundCanBeTakenWhenNobodyHasIt) {
  const WindowHandle w = Top("", kWsVisible);
  EXPECT_EQ(windows().ForegroundWindow(), WindowHandle());
  EXPECT_TRUE(windows().SetForegroundWindow(w));
  EXPECT_EQ(windows().ForegroundWindow(), w);
  EXPECT_TRUE(windows().SetForegroundWindow(w));  // already foreground
  EXPECT_EQ(desktop_->ForegroundChanges(), Handles{w});
}

TEST_F(DeskWindowTree, TheForegroundThreadMayHandTheForegroundToAnotherThread) {
  const WindowHandle mine = Top();
  ThreadRunner peer(windows());
  const WindowHandle theirs = peer.Call([&] { return Top(); });
  desktop_->ForceForeground(mine);
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

TEST_F(DeskWindowTree, ForceForegroundSequenceOfTheLibrary) {
  // ForceForegroundWindow: attach the foreground thread's input to the window's thread, set the
  // foreground, detach, then restore a minimised window.
  const WindowHandle host = Top("", kWsVisible);
  desktop_->ForceForeground(host);
  ThreadRunner imaging(windows());
  const WindowHandle window = imaging.Call([&] { return Top("", kWsVisible); });
  imaging.Call([&] { windows().ShowWindow(window, kSwMinimize); });

  const ThreadId foreground_thread = windows().WindowThread(windows().ForegroundWindow());
  const ThreadId window_thread = windows().WindowThread(window);
  ASSERT_NE(foreground_thread, window_thread);
  EXPECT_TRUE(windows().AttachThreadInput(foreground_thread, window_thread, true));
  EXPECT_TRUE(windows().SetForegroundWindow(window));
  EXPECT_TRUE(windows().AttachThreadInput(foreground_thread, window_thread, false));
  if (windows().IsIconic(window)) windows().ShowWindow(window, kSwRestore);

  EXPECT_EQ(windows().ForegroundWindow(), window);
  EXPECT_FALSE(windows().IsIconic(window));
  EXPECT_FALSE(desktop_->InputAttached(foreground_thread, window_thread));
}

TEST_F(DeskWindowTree, HidingMinimisingOrDestroyingTheForegroundWindowClearsTheForeground) {
  const WindowHandle a = Top("", kWsVisible);
  desktop_->ForceForeground(a);
  windows().ShowWindow(a, kSwMinimize);
  EXPECT_EQ(windows().ForegroundWindow(), WindowHandle());
  desktop_->ForceForeground(a);
  windows().ShowWindow(a, kSwHide);
  EXPECT_EQ(windows().ForegroundWindow(), WindowHandle());
  desktop_->ForceForeground(a);
  windows().DestroyWindow(a);
  EXPECT_EQ(windows().ForegroundWindow(), WindowHandle());
}

TEST_F(DeskWindowTree, ChildWindowsAndMessageOnlyWindowsCannotBeForeground) {
  const WindowHandle parent = Top();
  EXPECT_FALSE(windows().SetForegroundWindow(Child(parent)));
  EXPECT_FALSE(windows().SetForegroundWindow(windows().MakeMessageWindow(nullptr)));
  EXPECT_FALSE(windows().SetForegroundWindow(WindowHandle(0x7FFFFFF0)));
}

}  // namespace
}  // namespace orvabridge::platform::desk
