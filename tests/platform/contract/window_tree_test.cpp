// The window tree on the platform of the build: enumeration in Z-order, class names and titles,
// children and owned windows, and re-parenting.
#include <atomic>
#include <cstring>

#include "platform/contract/contract_fixture.h"
#include "support/thread_runner.h"

namespace orvabridge::platform::contract {
namespace {

using testing::ThreadRunner;

class PlatformWindowTree : public WindowTest {};

TEST_F(PlatformWindowTree, TopLevelWindowsEnumerateNewestFirstWithTopmostOnesAhead) {
  const WindowHandle a = Top();
  const WindowHandle pinned = Top("", 0, kWsExTopMost);
  const WindowHandle b = Top();
  MessageOnly();  // never enumerated
  Child(a);       // not top-level
  EXPECT_EQ(TopLevel(), (Handles{pinned, b, a}));
  windows().DestroyWindow(b);
  EXPECT_FALSE(windows().IsWindow(b));
  EXPECT_NE(Top(), b);  // a new window never gets the handle of one just destroyed
}

TEST_F(PlatformWindowTree, DescendantsAreEnumeratedDepthFirstInCreationOrder) {
  const WindowHandle root = Top();
  const WindowHandle c1 = Child(root);
  const WindowHandle c2 = Child(root);
  const WindowHandle g1 = Child(c1);
  const WindowHandle gg = Child(g1);
  EXPECT_EQ(Descendants(root), (Handles{c1, g1, gg, c2}));
  EXPECT_EQ(Descendants(kMissing), Handles{});
  EXPECT_EQ(Descendants(WindowHandle()), Handles{});
}

TEST_F(PlatformWindowTree, EnumerationSkipsWindowsDestroyedByTheCallback) {
  const WindowHandle a = Top();
  const WindowHandle b = Top();
  const WindowHandle c = Top();
  Handles seen;
  windows().ForEachTopLevel([&](WindowHandle w) {
    if (!Ours(w)) return;
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

TEST_F(PlatformWindowTree, WindowsOfClassesAreFoundAtEveryDepthInTheOrderOfTheFullWalk) {
  const std::string a = "OrvabridgeSearchA", b = "OrvabridgeSearchB";
  const auto of_class = [&](const std::string& name, WindowHandle parent) {
    return Make({name, "", parent, parent ? kWsChild : 0});
  };
  // Two trees, matches of both classes on every level, windows of other classes between them,
  // and a name that differs from a sought one by a suffix. (Win32 takes class names that differ
  // only in letter case for one class within a process, so that case is not made here.)
  const WindowHandle top1 = of_class(a, WindowHandle());
  const WindowHandle c11 = of_class(b, top1);
  const WindowHandle c12 = Child(top1);
  const WindowHandle g121 = of_class(a, c12);
  const WindowHandle gg = of_class(b, Child(g121));
  of_class(a + "X", c12);
  const WindowHandle top2 = Top();
  const WindowHandle c21 = of_class(a, top2);
  const WindowHandle top3 = of_class(b, WindowHandle());
  const WindowBlueprint hidden{a, "", WindowHandle(), 0, 0, true};
  Make(hidden);  // message-only: never searched

  // The reference: every window's class read on the full walk of the tree.
  Handles walk_a, walk_b;
  const auto sort_in = [&](WindowHandle w) {
    if (!Ours(w)) return;
    const std::string name = windows().ClassName(w);
    if (name == a) walk_a.push_back(w);
    if (name == b) walk_b.push_back(w);
  };
  windows().ForEachTopLevel([&](WindowHandle top) {
    sort_in(top);
    windows().ForEachDescendant(top, sort_in);
  });

  const std::string classes[] = {a, b};
  auto found = windows().FindWindowsOfClasses(classes);
  ASSERT_EQ(found.size(), 2u);
  for (auto& list : found) std::erase_if(list, [&](WindowHandle w) { return !Ours(w); });
  EXPECT_EQ(found[0], walk_a);
  EXPECT_EQ(found[1], walk_b);
  // Newest top-level window first, each followed by its descendants depth first.
  EXPECT_EQ(found[0], (Handles{c21, top1, g121}));
  EXPECT_EQ(found[1], (Handles{top3, c11, gg}));
  EXPECT_TRUE(windows().FindWindowsOfClasses({}).empty());
}

TEST_F(PlatformWindowTree, AWindowIsFoundByClassAndTitleAmongItsThreadsWindows) {
  const WindowHandle frame = Make({"OrvabridgeTestFrame", "Orvabridge test frame", WindowHandle(),
                                   kWsOverlappedWindow, 0, false, 40, 40, 320, 240});
  const WindowHandle hidden = MessageOnly();
  ASSERT_TRUE(frame);

  Handles matches;
  windows().ForEachTopLevel([&](WindowHandle window) {
    if (windows().ClassName(window) == "OrvabridgeTestFrame" &&
        windows().WindowText(window, 1s) == "Orvabridge test frame") {
      matches.push_back(window);
    }
  });
  EXPECT_EQ(matches, Handles{frame});
  EXPECT_FALSE(Contains(TopLevel(), hidden)) << "message-only windows are not enumerated";
  const Handles own_thread = ThreadWindows(windows().CurrentThread());
  EXPECT_TRUE(Contains(own_thread, frame));
  EXPECT_FALSE(Contains(own_thread, hidden)) << "nor among the thread's windows";
  EXPECT_EQ(windows().WindowThread(frame), windows().CurrentThread());
}

TEST_F(PlatformWindowTree, TheTitleOfAnotherThreadsWindowIsAskedForOnItsOwnThread) {
  ThreadRunner imaging(windows());
  std::atomic<ThreadId> asked_on{0};
  const WindowHandle frame = Track(imaging.Call([&] {
    return windows().MakeWindow({"ThunderRT6MDIForm", "Orvanta Imaging - Test", {}},
                                [&](const WindowMessage& m) -> std::optional<intptr_t> {
                                  if (m.id == kWmGetText) asked_on = windows().CurrentThread();
                                  return std::nullopt;  // the system's answer: the title
                                });
  }));
  EXPECT_EQ(windows().ClassName(frame), "ThunderRT6MDIForm");
  EXPECT_EQ(windows().WindowText(frame, 1s), "Orvanta Imaging - Test");
  EXPECT_EQ(asked_on, imaging.thread_id());
  EXPECT_EQ(windows().WindowThread(frame), imaging.thread_id());
  EXPECT_NE(imaging.thread_id(), windows().CurrentThread());
  EXPECT_TRUE(windows().AttachThreadInput(windows().CurrentThread(), imaging.thread_id(), true));
  EXPECT_TRUE(windows().AttachThreadInput(windows().CurrentThread(), imaging.thread_id(), false));
}

TEST_F(PlatformWindowTree, WindowsWithoutTextAndHandlesWithoutWindowsReadAsEmpty) {
  const WindowHandle frame = Make({"OrvabridgeTestFrame", "", {}});
  EXPECT_EQ(windows().WindowText(frame, 1s), "");
  EXPECT_EQ(windows().WindowText(kMissing, 1s), "");
  EXPECT_EQ(windows().ClassName(WindowHandle()), "");
  EXPECT_EQ(windows().ClassName(kMissing), "");
}

TEST_F(PlatformWindowTree, AParentMakesAChildWithTheChildStyleAndAnOwnedWindowWithout) {
  const WindowHandle frame = Top();
  const WindowHandle child = Child(frame);
  EXPECT_EQ(windows().Parent(child), frame);
  EXPECT_EQ(windows().Owner(child), WindowHandle());
  EXPECT_EQ(windows().Parent(frame), WindowHandle());
  EXPECT_EQ(windows().Owner(frame), WindowHandle());
  EXPECT_EQ(windows().Parent(MessageOnly()), WindowHandle());
  // No kWsChild: a top-level window owned by the top-level ancestor of `child`.
  const WindowHandle owned = Make(child);
  EXPECT_EQ(windows().Owner(owned), frame);
  EXPECT_EQ(windows().Parent(owned), WindowHandle()) << "an owned window is still top-level";
  EXPECT_EQ(TopLevel().front(), owned);
  // The backends differ in what Parent() answers for an owned pop-up: the desktop answers as
  // GetParent does (the owner), the Win32 backend with the parent in the window tree (none).
  const WindowHandle popup = Make(child, kWsPopup);
  EXPECT_EQ(windows().Owner(popup), frame);
  EXPECT_EQ(windows().Parent(popup), kWin32 ? WindowHandle() : frame);
  EXPECT_EQ(Make(kMissing), WindowHandle());
  EXPECT_EQ(Make(WindowHandle(), kWsChild), WindowHandle());
}

TEST_F(PlatformWindowTree, SetParentEmbedsMovesAndReleasesButRefusesCyclesAndMissingWindows) {
  const WindowHandle host = Top();
  const WindowHandle other_host = Top();
  const WindowHandle imaging = Top("", kWsCaption);
  const uint32_t style = windows().GetStyle(imaging, kGwlStyle);
  ASSERT_EQ(style & kWsCaption, kWsCaption);

  const WindowHandle previous = windows().SetParent(imaging, host);
  EXPECT_TRUE(previous) << "a top-level window reports the desktop as its previous parent";
  EXPECT_EQ(windows().ClassName(previous), "#32769");
  EXPECT_EQ(Descendants(host), Handles{imaging});
  EXPECT_EQ(TopLevel(), (Handles{other_host, host}));
  EXPECT_EQ(windows().GetStyle(imaging, kGwlStyle), style) << "the style is left alone";
  // The backends differ in what Parent() answers for a window put below another one without
  // kWsChild: the desktop answers as GetParent does (none), the Win32 backend with the parent in
  // the window tree.
  EXPECT_EQ(windows().Parent(imaging), kWin32 ? host : WindowHandle());
  EXPECT_EQ(windows().SetParent(imaging, other_host), host);
  EXPECT_EQ(Descendants(host), Handles{});
  EXPECT_EQ(Descendants(other_host), Handles{imaging});
  EXPECT_EQ(windows().SetParent(imaging, previous), other_host);
  EXPECT_EQ(TopLevel().front(), imaging);
  EXPECT_EQ(windows().Parent(imaging), WindowHandle());
  EXPECT_EQ(Descendants(other_host), Handles{});

  const WindowHandle child = Child(host);
  EXPECT_EQ(windows().SetParent(host, child), WindowHandle());
  EXPECT_EQ(windows().SetParent(host, host), WindowHandle());
  EXPECT_EQ(windows().SetParent(host, kMissing), WindowHandle());
  EXPECT_EQ(windows().SetParent(kMissing, host), WindowHandle());
}

TEST_F(PlatformWindowTree, DestroyingAWindowDestroysItsChildrenAndOwnedWindows) {
  const WindowHandle parent = Top();
  const WindowHandle child = Child(parent);
  const WindowHandle grandchild = Child(child);
  const WindowHandle owned = Make(child);  // owned by the top-level ancestor, `parent`

  windows().DestroyWindow(parent);
  for (const WindowHandle gone : {parent, child, grandchild, owned}) {
    EXPECT_FALSE(windows().IsWindow(gone)) << gone.value;
  }
}

TEST_F(PlatformWindowTree, AnotherThreadCannotDestroyAWindow) {
  ThreadRunner peer(windows());
  const WindowHandle theirs = Track(peer.Call([&] { return windows().MakeWindow({}, nullptr); }));
  windows().DestroyWindow(theirs);
  EXPECT_TRUE(windows().IsWindow(theirs));
  peer.Call([&] { windows().DestroyWindow(theirs); });
  EXPECT_FALSE(windows().IsWindow(theirs));
}

}  // namespace
}  // namespace orvabridge::platform::contract
