// What the in-process desktop's messages promise beyond the platform contract suite
// (platform/contract/messaging_test.cpp): nested sends across threads, posts that run on the
// receiver's thread, destruction while a send waits, re-entrant handlers, limits of sends and
// hung receivers.
#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/desk/desktop.h"
#include "support/thread_runner.h"

namespace orvabridge::platform::desk {
namespace {

using testing::ThreadRunner;
using namespace std::chrono_literals;

constexpr MessageId kPing = kWmUser + 1;
constexpr MessageId kOther = kWmUser + 2;
// Bounds a test that would otherwise hang; never a timing expectation.
constexpr auto kPatience = 20s;

std::vector<std::byte> Bytes(std::string_view text) {
  const auto bytes = std::as_bytes(std::span(text));
  return {bytes.begin(), bytes.end()};
}

std::string Text(std::span<const std::byte> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

class DeskMessages : public ::testing::Test {
 protected:
  // A window whose handler answers messages numbered `id`; every other one gets the default.
  WindowHandle On(MessageId id, std::function<intptr_t(const WindowMessage&)> handle) {
    return windows().MakeWindow({},
                                [id, handle](const WindowMessage& m) -> std::optional<intptr_t> {
                                  if (m.id != id) return std::nullopt;
                                  return handle(m);
                                });
  }
  WindowHandle Plain() { return windows().MakeWindow({}, nullptr); }
  WindowSystem& windows() { return desktop_->Windows(); }

  std::shared_ptr<Desktop> desktop_ = Desktop::Create();
};

TEST_F(DeskMessages, NestedSendsAcrossThreadsDoNotDeadlock) {
  ThreadRunner b(windows());
  WindowHandle a_window;
  WindowHandle b_window;
  a_window = On(kPing, [&](const WindowMessage& m) -> intptr_t {
    return m.wparam == 0
               ? 1000
               : windows().Send(b_window, kPing, m.wparam - 1, 0, platform::kNoLimit).result + 1;
  });
  b_window = b.Call([&] {
    return On(kPing, [&](const WindowMessage& m) -> intptr_t {
      return m.wparam == 0
                 ? 2000
                 : windows().Send(a_window, kPing, m.wparam - 1, 0, platform::kNoLimit).result + 1;
    });
  });
  // B(5) -> A(4) -> B(3) -> A(2) -> B(1) -> A(0): each thread blocked in a send while it
  // handles the next one; A(0) answers 1000 and each of the five hops adds one.
  EXPECT_EQ(windows().Send(b_window, kPing, 5, 0, platform::kNoLimit).result, 1005);
}

TEST_F(DeskMessages, NotifyAndPostToAnotherThreadReturnAtOnceAndRunThere) {
  ThreadRunner peer(windows());
  for (const bool notify : {true, false}) {
    SCOPED_TRACE(notify ? "notify" : "post");
    std::promise<ThreadId> handled;
    const WindowHandle target = peer.Call([&] {
      return On(kPing, [&](const WindowMessage&) -> intptr_t {
        handled.set_value(windows().CurrentThread());
        return 0;
      });
    });
    // The peer is kept busy until the gate opens: a call that blocked would hang here.
    std::promise<void> gate;
    peer.Run([f = gate.get_future().share()] { f.wait(); });
    EXPECT_TRUE(notify ? windows().Notify(target, kPing, 0, 0)
                       : windows().Post(target, kPing, 0, 0));
    gate.set_value();
    auto result = handled.get_future();
    ASSERT_EQ(result.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(result.get(), peer.thread_id());
  }
}

TEST_F(DeskMessages, DestroyDropsQueuedMessagesAndAnswersAPendingSendWithZero) {
  int handled = 0;
  const WindowHandle window = On(kPing, [&](const WindowMessage&) -> intptr_t {
    ++handled;
    return 99;
  });
  ThreadRunner peer(windows());
  std::promise<intptr_t> sent;
  peer.Run([&] { sent.set_value(windows().Send(window, kPing, 0, 0, platform::kNoLimit).result); });

  // This thread does not pump: the send stays pending in its queue. Wait until it is there.
  windows().WaitForMessage(Clock::now() + kPatience);
  windows().Post(window, kPing, 0, 0);
  windows().DestroyWindow(window);

  auto result = sent.get_future();
  ASSERT_EQ(result.wait_for(kPatience), std::future_status::ready);
  EXPECT_EQ(result.get(), 0);
  EXPECT_TRUE(windows().PumpMessages());
  EXPECT_EQ(handled, 0);
}

TEST_F(DeskMessages, HandlerReentersTheWindowSystem) {
  // A handler may pump, send, make and destroy windows and post: no lock is held while it runs.
  int inner = 0;
  const WindowHandle helper = windows().MakeWindow({}, [&](const WindowMessage& m) {
    if (m.id == kOther) ++inner;
    return std::optional<intptr_t>(10);
  });
  const WindowHandle target = On(kPing, [&](const WindowMessage&) -> intptr_t {
    windows().Post(helper, kOther, 0, 0);
    windows().PumpMessages();
    windows().DestroyWindow(Plain());
    return windows().Send(helper, kPing, 0, 0, platform::kNoLimit).result + 1;
  });
  // The peer's send reaches this thread while it is blocked in Call (itself a send), so the
  // handler runs here, inside that wait.
  ThreadRunner peer(windows());
  EXPECT_EQ(
      peer.Call([&] { return windows().Send(target, kPing, 0, 0, platform::kNoLimit).result; }),
      11);
  EXPECT_EQ(inner, 1);
}

// --- Bounded sends ---------------------------------------------------------------------------

// A window on `peer` whose handler for kOther runs until `release` is set: the peer thread is then
// busy inside a message, as an application that works on a long request.
struct BusyPeer {
  explicit BusyPeer(WindowSystem& windows) : peer(windows) {
    window = peer.Call([&] {
      return windows.MakeWindow(
          {}, [this, &windows](const WindowMessage& m) -> std::optional<intptr_t> {
            if (m.id == kOther) {
              busy.set_value();
              release.get_future().wait();
              return 0;
            }
            if (m.id == kWmCopyData) {
              received.push_back(Text(m.copy_data->bytes));
              return 1;
            }
            if (m.id == kPing) {
              received.push_back("notified");
              return 1;
            }
            return std::nullopt;
          });
    });
  }
  // Makes the peer busy and returns once it is.
  void Occupy(WindowSystem& windows) {
    windows.Post(window, kOther, 0, 0);
    busy.get_future().wait();
  }
  ThreadRunner peer;
  WindowHandle window;
  std::promise<void> busy, release;
  std::vector<std::string> received;  // touched on the peer only, read after it was released
};

TEST_F(DeskMessages, ASendToABusyReceiverGivesUpAtItsLimitAndIsStillHandledLater) {
  BusyPeer busy(windows());
  busy.Occupy(windows());
  {
    std::vector<std::byte> record = Bytes("late request");
    const auto sent =
        windows().SendCopyData(busy.window, WindowHandle(), 1003, record, Clock::now() + 20ms);
    EXPECT_EQ(sent.status, SendStatus::kTimedOut);
    std::fill(record.begin(), record.end(), std::byte{0});  // the sender's buffer is reused
  }
  busy.release.set_value();
  busy.peer.Call([] {});  // the peer has worked through its queue
  EXPECT_EQ(busy.received, std::vector<std::string>{"late request"})
      << "the receiver handles the message later, from its own copy";
}

TEST_F(DeskMessages, AReceiverThatStoppedLookingAtItsMessagesIsHungAndGetsNothing) {
  BusyPeer busy(windows());
  EXPECT_TRUE(
      windows()
          .SendCopyData(busy.window, WindowHandle(), 1003, Bytes("a"), Clock::now() + kPatience)
          .handled());
  desktop_->SetHungAfter(Clock::duration::zero());
  busy.Occupy(windows());
  const auto sent = windows().SendCopyData(busy.window, WindowHandle(), 1003, Bytes("b"),
                                           Clock::now() + kPatience);
  EXPECT_EQ(sent.status, SendStatus::kHung) << "given up at once, not after the limit";
  EXPECT_TRUE(windows().Notify(busy.window, kPing, 0, 0)) << "a notification is queued";
  // Windows of this thread are never hung for its own sends, and a send without limit waits.
  const WindowHandle own = On(kPing, [](const WindowMessage&) -> intptr_t { return 3; });
  EXPECT_EQ(windows().Send(own, kPing, 0, 0, Clock::now()).result, 3);

  busy.release.set_value();
  busy.peer.Call([] {});
  EXPECT_EQ(busy.received, std::vector<std::string>({"a", "notified"}));
}

TEST_F(DeskMessages, AThreadBlockedInASendIsWaitingAndNotHung) {
  desktop_->SetHungAfter(Clock::duration::zero());
  const WindowHandle reply_window =
      On(kWmCopyData, [](const WindowMessage&) -> intptr_t { return 1; });
  ThreadRunner peer(windows());
  const WindowHandle peer_window = peer.Call([&] {
    return On(kPing, [&](const WindowMessage&) -> intptr_t {
      // This thread's send below is still blocked: the reply reaches it.
      const auto sent = windows().SendCopyData(reply_window, WindowHandle(), 1, Bytes("r"),
                                               Clock::now() + kPatience);
      return static_cast<intptr_t>(sent.status);
    });
  });
  EXPECT_EQ(windows().Send(peer_window, kPing, 0, 0, platform::kNoLimit).result,
            static_cast<intptr_t>(SendStatus::kHandled));
}

TEST_F(DeskMessages, TheTitleOfAWindowThatDoesNotAnswerInTimeIsEmpty) {
  BusyPeer busy(windows());
  const WindowHandle titled = busy.peer.Call([&] {
    WindowBlueprint blueprint;
    blueprint.title = "Practice manager";
    return windows().MakeWindow(blueprint, nullptr);
  });
  EXPECT_EQ(windows().WindowText(titled, kPatience), "Practice manager");
  busy.Occupy(windows());
  EXPECT_EQ(windows().WindowText(titled, 20ms), "");
  // The late get-text writes into the receiver's own buffer (AddressSanitizer watches).
  busy.release.set_value();
  busy.peer.Call([] {});
  EXPECT_EQ(windows().WindowText(titled, kPatience), "Practice manager");
}

}  // namespace
}  // namespace orvabridge::platform::desk
