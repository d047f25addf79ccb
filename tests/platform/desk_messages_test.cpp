// The in-process desktop's messages: synchronous sends across threads (with replies sent back
// into the blocked sender), notifications and posts that do not block, queue order, destruction
// while a send waits, waiting for messages.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/desk/desktop.h"
#include "support/thread_runner.h"

namespace orvabridge::platform::desk {
namespace {

using testing::PumpUntil;
using testing::ThreadRunner;
using namespace std::chrono_literals;

constexpr MessageId kPing = kWmUser + 1;
constexpr MessageId kOther = kWmUser + 2;
// Bounds a test that would otherwise hang; never a timing expectation.
constexpr auto kPatience = 20s;

std::vector<std::byte> Bytes(std::string_view text) {
  std::vector<std::byte> out;
  for (char c : text) out.push_back(static_cast<std::byte>(c));
  return out;
}

std::string Text(std::span<const std::byte> bytes) {
  std::string out;
  for (std::byte b : bytes) out += static_cast<char>(b);
  return out;
}

class DeskMessages : public ::testing::Test {
 protected:
  WindowHandle MakeWindow(MessageHandler handler, bool message_only = false) {
    WindowSpec blueprint;
    blueprint.class_name = "TestWindow";
    blueprint.message_only = message_only;
    return windows().MakeWindow(blueprint, std::move(handler));
  }
  WindowSystem& windows() { return desktop_->Windows(); }

  std::shared_ptr<Desktop> desktop_ = Desktop::Create();
};

TEST_F(DeskMessages, SendToAnotherThreadRunsTheHandlerThereAndReturnsItsResult) {
  ThreadRunner peer(windows());
  std::atomic<ThreadId> handled_on{0};
  std::atomic<bool> handled{false};
  const WindowHandle target = peer.Call([&] {
    return MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
      if (m.id != kPing) return std::nullopt;
      handled_on = windows().CurrentThread();
      handled = true;
      return static_cast<intptr_t>(m.wparam * 2 + m.lparam);
    });
  });

  EXPECT_EQ(windows().Send(target, kPing, 20, 2), 42);
  EXPECT_TRUE(handled);  // the send returned only after the handler had run
  EXPECT_EQ(handled_on, peer.thread_id());
  EXPECT_NE(peer.thread_id(), windows().CurrentThread());
}

TEST_F(DeskMessages, ReplySentIntoTheBlockedSenderIsHandledDuringItsSend) {
  // Thread A (this test) sends copy-data to B's window; B's handler sends copy-data back to A's
  // window while A is still blocked in its send. A's handler must run before A's send returns.
  ThreadRunner b(windows());
  std::vector<std::string> events;  // touched only on this thread
  const ThreadId a = windows().CurrentThread();
  const WindowHandle reply_window = MakeWindow(
      [&](const WindowMessage& m) -> std::optional<intptr_t> {
        if (m.id != kWmCopyData || !m.copy_data) return std::nullopt;
        EXPECT_EQ(windows().CurrentThread(), a);
        events.push_back("reply " + std::to_string(m.copy_data->code) + " " +
                         Text(m.copy_data->bytes));
        return 1;
      },
      /*message_only=*/true);
  const WindowHandle control = b.Call([&] {
    return MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
      if (m.id != kWmCopyData || !m.copy_data) return std::nullopt;
      const WindowHandle from(static_cast<uint32_t>(m.wparam));
      const auto answer = Bytes("pong:" + Text(m.copy_data->bytes));
      const intptr_t got =
          windows().SendCopyData(from, WindowHandle(), m.copy_data->code + 1, answer);
      return got == 1 ? 77 : -1;
    });
  });

  const intptr_t result = windows().SendCopyData(control, reply_window, 1003, Bytes("ping"));
  events.push_back("send returned " + std::to_string(result));

  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], "reply 1004 pong:ping");
  EXPECT_EQ(events[1], "send returned 77");
}

TEST_F(DeskMessages, NestedSendsAcrossThreadsDoNotDeadlock) {
  ThreadRunner b(windows());
  WindowHandle a_window;
  WindowHandle b_window;
  a_window = MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
    if (m.id != kPing) return std::nullopt;
    if (m.wparam == 0) return 1000;
    return windows().Send(b_window, kPing, m.wparam - 1, 0) + 1;
  });
  b_window = b.Call([&] {
    return MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
      if (m.id != kPing) return std::nullopt;
      if (m.wparam == 0) return 2000;
      return windows().Send(a_window, kPing, m.wparam - 1, 0) + 1;
    });
  });
  // B(5) -> A(4) -> B(3) -> A(2) -> B(1) -> A(0): each thread blocked in a send while it
  // handles the next one; A(0) answers 1000 and each of the five hops adds one.
  EXPECT_EQ(windows().Send(b_window, kPing, 5, 0), 1005);
}

TEST_F(DeskMessages, CopyDataHandsTheReceiverItsOwnCopyOfTheRecord) {
  ThreadRunner peer(windows());
  auto record = Bytes("record bytes");
  std::string seen_text;
  const std::byte* seen_address = nullptr;
  uint32_t seen_code = 0;
  uintptr_t seen_from = 0;
  const WindowHandle target = peer.Call([&] {
    return MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
      if (m.id != kWmCopyData) return std::nullopt;
      seen_text = Text(m.copy_data->bytes);
      seen_address = m.copy_data->bytes.data();
      seen_code = m.copy_data->code;
      seen_from = m.wparam;
      return 5;
    });
  });
  const WindowHandle from = MakeWindow(nullptr, true);

  EXPECT_EQ(windows().SendCopyData(target, from, 1500, record), 5);
  EXPECT_EQ(seen_text, "record bytes");
  EXPECT_NE(seen_address, record.data());
  EXPECT_EQ(seen_code, 1500u);
  EXPECT_EQ(seen_from, from.value);
}

TEST_F(DeskMessages, CopyDataToAWindowOfTheSameThreadIsACopyToo) {
  auto record = Bytes("abc");
  const std::byte* seen_address = nullptr;
  std::string seen;
  const WindowHandle target = MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
    if (m.id != kWmCopyData) return std::nullopt;
    seen_address = m.copy_data->bytes.data();
    seen = Text(m.copy_data->bytes);
    return 3;
  });
  EXPECT_EQ(windows().SendCopyData(target, WindowHandle(), 7, record), 3);
  EXPECT_EQ(seen, "abc");
  EXPECT_NE(seen_address, record.data());
}

TEST_F(DeskMessages, CopyDataSentWithoutABlockArrivesAsAnEmptyOne) {
  std::optional<size_t> size;
  const WindowHandle target = MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
    if (m.id != kWmCopyData) return std::nullopt;
    size = m.copy_data ? m.copy_data->bytes.size() : 99;
    return 1;
  });
  EXPECT_EQ(windows().Send(target, kWmCopyData, 0, 0), 1);
  EXPECT_EQ(size, 0u);
}

TEST_F(DeskMessages, HandlerFailureLeavesThroughTheDispatchingCall) {
  const WindowHandle target = MakeWindow([](const WindowMessage& m) -> std::optional<intptr_t> {
    if (m.id == kPing) throw std::runtime_error("handler failed");
    return std::nullopt;
  });
  windows().Post(target, kPing, 0, 0);
  EXPECT_THROW(windows().PumpMessages(), std::runtime_error);
  EXPECT_TRUE(windows().PumpMessages());
  EXPECT_THROW(windows().Send(target, kPing, 0, 0), std::runtime_error);
  EXPECT_TRUE(windows().IsWindow(target));
}

TEST_F(DeskMessages, AWindowMayDestroyItselfInsideItsHandler) {
  WindowHandle self;
  bool after_destroy = false;
  self = MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
    if (m.id != kPing) return std::nullopt;
    windows().DestroyWindow(self);
    after_destroy = !windows().IsWindow(self);
    return 5;
  });
  EXPECT_EQ(windows().Send(self, kPing, 0, 0), 5);
  EXPECT_TRUE(after_destroy);
}

TEST_F(DeskMessages, SendToNoWindowReturnsZeroAndDefaultProcessingGivesZero) {
  EXPECT_EQ(windows().Send(WindowHandle(0x7FFFFFF0), kPing, 1, 1), 0);
  EXPECT_EQ(windows().SendCopyData(WindowHandle(), WindowHandle(), 1, Bytes("x")), 0);
  const WindowHandle silent = MakeWindow([](const WindowMessage&) { return std::nullopt; });
  EXPECT_EQ(windows().Send(silent, kPing, 1, 1), 0);
  ThreadRunner peer(windows());
  const WindowHandle remote =
      peer.Call([&] { return MakeWindow([](const WindowMessage&) { return std::nullopt; }); });
  EXPECT_EQ(windows().SendCopyData(remote, silent, 1, Bytes("x")), 0);
}

TEST_F(DeskMessages, NotifyToAnotherThreadReturnsAtOnceAndRunsLaterThere) {
  ThreadRunner peer(windows());
  std::promise<ThreadId> handled;
  const WindowHandle target = peer.Call([&] {
    return MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
      if (m.id == kPing) handled.set_value(windows().CurrentThread());
      return 0;
    });
  });
  // Keep the peer busy so that it cannot handle anything until the gate opens.
  std::promise<void> gate;
  peer.Run([f = gate.get_future().share()] { f.wait(); });

  EXPECT_TRUE(windows().Notify(target, kPing, 0, 0));  // would hang here if it blocked
  gate.set_value();
  auto result = handled.get_future();
  ASSERT_EQ(result.wait_for(kPatience), std::future_status::ready);
  EXPECT_EQ(result.get(), peer.thread_id());
}

TEST_F(DeskMessages, NotifyToTheCallingThreadRunsTheHandlerBeforeReturning) {
  bool handled = false;
  const WindowHandle target = MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
    if (m.id == kPing) handled = true;
    return 0;
  });
  EXPECT_TRUE(windows().Notify(target, kPing, 0, 0));
  EXPECT_TRUE(handled);
  EXPECT_FALSE(windows().Notify(WindowHandle(0x7FFFFFF0), kPing, 0, 0));
}

TEST_F(DeskMessages, PostIsQueuedUntilTheOwningThreadPumps) {
  std::vector<uintptr_t> handled;
  const WindowHandle target = MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
    if (m.id == kPing) handled.push_back(m.wparam);
    return 0;
  });
  EXPECT_TRUE(windows().Post(target, kPing, 1, 0));
  EXPECT_TRUE(windows().Post(target, kPing, 2, 0));
  EXPECT_TRUE(handled.empty());
  EXPECT_TRUE(windows().PumpMessages());
  EXPECT_EQ(handled, (std::vector<uintptr_t>{1, 2}));
  EXPECT_FALSE(windows().Post(WindowHandle(0x7FFFFFF0), kPing, 0, 0));
}

TEST_F(DeskMessages, PostToAnotherThreadDoesNotBlock) {
  ThreadRunner peer(windows());
  std::promise<void> handled;
  const WindowHandle target = peer.Call([&] {
    return MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
      if (m.id == kPing) handled.set_value();
      return 0;
    });
  });
  std::promise<void> gate;
  peer.Run([f = gate.get_future().share()] { f.wait(); });
  EXPECT_TRUE(windows().Post(target, kPing, 0, 0));
  gate.set_value();
  EXPECT_EQ(handled.get_future().wait_for(kPatience), std::future_status::ready);
}

TEST_F(DeskMessages, SentMessagesAreHandledBeforePostedOnes) {
  std::vector<std::string> order;
  const WindowHandle target = MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
    order.push_back(m.id == kPing ? "sent" : "posted");
    return 0;
  });
  ThreadRunner peer(windows());
  windows().Post(target, kOther, 0, 0);
  peer.Call([&] { windows().Notify(target, kPing, 0, 0); });  // queued as a sent message

  windows().PumpMessages();
  EXPECT_EQ(order, (std::vector<std::string>{"sent", "posted"}));
}

TEST_F(DeskMessages, PostedMessageToADestroyedWindowIsDropped) {
  int handled = 0;
  const WindowHandle target = MakeWindow([&](const WindowMessage&) -> std::optional<intptr_t> {
    ++handled;
    return 0;
  });
  windows().Post(target, kPing, 0, 0);
  windows().DestroyWindow(target);
  EXPECT_TRUE(windows().PumpMessages());
  EXPECT_EQ(handled, 0);
}

TEST_F(DeskMessages, AQuitEndsEveryLaterPumpAfterEarlierPostsAreHandled) {
  // On a thread of its own: the quit request stays with its thread, as on Win32.
  ThreadRunner peer(windows());
  const std::vector<int> seen = peer.Call([&] {
    int handled = 0;
    const WindowHandle target = MakeWindow([&](const WindowMessage&) -> std::optional<intptr_t> {
      ++handled;
      return 0;
    });
    windows().Post(target, kPing, 0, 0);
    windows().PostQuitMessage();
    std::vector<int> out;
    out.push_back(windows().PumpMessages());
    out.push_back(handled);
    out.push_back(windows().PumpMessages());
    return out;
  });
  EXPECT_EQ(seen, (std::vector<int>{false, 1, false}));
  peer.Stop();  // its loop sees the quit too
}

TEST_F(DeskMessages, DestroyMakesIsWindowFalseAtOnceOnEveryThread) {
  ThreadRunner peer(windows());
  const WindowHandle window = MakeWindow(nullptr);
  EXPECT_TRUE(peer.Call([&] { return windows().IsWindow(window); }));
  windows().DestroyWindow(window);
  EXPECT_FALSE(windows().IsWindow(window));
  EXPECT_FALSE(peer.Call([&] { return windows().IsWindow(window); }));
}

TEST_F(DeskMessages, DestroyAnswersAPendingSendWithZeroAndUnblocksItsSender) {
  int handled = 0;
  const WindowHandle window = MakeWindow([&](const WindowMessage&) -> std::optional<intptr_t> {
    ++handled;
    return 99;
  });
  ThreadRunner peer(windows());
  std::promise<intptr_t> sent;
  peer.Run([&] { sent.set_value(windows().Send(window, kPing, 0, 0)); });

  // This thread does not pump: the send stays pending in its queue. Wait until it is there.
  windows().WaitForMessage(platform::Clock::now() + kPatience);
  windows().DestroyWindow(window);

  auto result = sent.get_future();
  ASSERT_EQ(result.wait_for(kPatience), std::future_status::ready);
  EXPECT_EQ(result.get(), 0);
  windows().PumpMessages();
  EXPECT_EQ(handled, 0);
}

TEST_F(DeskMessages, DestroyingAWindowDestroysItsChildrenAndOwnedWindows) {
  const WindowHandle parent = MakeWindow(nullptr);
  WindowSpec child_spec;
  child_spec.parent = parent;
  child_spec.style = kWsChild;
  const WindowHandle child = windows().MakeWindow(child_spec, nullptr);
  child_spec.parent = child;
  const WindowHandle grandchild = windows().MakeWindow(child_spec, nullptr);
  WindowSpec owned_spec;
  owned_spec.parent = child;  // no kWsChild: owned by the top-level ancestor, `parent`
  const WindowHandle owned = windows().MakeWindow(owned_spec, nullptr);
  ASSERT_EQ(windows().Owner(owned), parent);
  const WindowHandle owned_later = MakeWindow(nullptr);
  ASSERT_TRUE(desktop_->SetOwner(owned_later, parent));

  windows().DestroyWindow(parent);
  EXPECT_FALSE(windows().IsWindow(child));
  EXPECT_FALSE(windows().IsWindow(grandchild));
  EXPECT_FALSE(windows().IsWindow(owned));
  EXPECT_FALSE(windows().IsWindow(owned_later));
}

TEST_F(DeskMessages, DestroyingAnotherThreadsWindowIsRefusedAsInWin32) {
  ThreadRunner peer(windows());
  const WindowHandle theirs = peer.Call([&] { return MakeWindow(nullptr); });
  windows().DestroyWindow(theirs);
  EXPECT_TRUE(windows().IsWindow(theirs));
  peer.Call([&] { windows().DestroyWindow(theirs); });
  EXPECT_FALSE(windows().IsWindow(theirs));
}

TEST_F(DeskMessages, WindowsOfAThreadGoWhenTheThreadEnds) {
  auto peer = std::make_unique<ThreadRunner>(windows());
  const WindowHandle theirs = peer->Call([&] { return MakeWindow(nullptr); });
  peer.reset();
  EXPECT_FALSE(windows().IsWindow(theirs));
}

TEST_F(DeskMessages, HandlerReentersTheWindowSystem) {
  // A handler may pump, send, make and destroy windows and post: no lock is held while it runs.
  int inner = 0;
  const WindowHandle helper = MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
    if (m.id == kOther) ++inner;
    return 10;
  });
  const WindowHandle target = MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
    if (m.id != kPing) return std::nullopt;
    windows().Post(helper, kOther, 0, 0);
    windows().PumpMessages();
    const WindowHandle temporary = MakeWindow(nullptr);
    windows().DestroyWindow(temporary);
    return windows().Send(helper, kPing, 0, 0) + 1;
  });
  // The peer's send reaches this thread while it is blocked in Call (itself a send), so the
  // handler runs here, inside that wait.
  ThreadRunner peer(windows());
  EXPECT_EQ(peer.Call([&] { return windows().Send(target, kPing, 0, 0); }), 11);
  EXPECT_EQ(inner, 1);
}

TEST_F(DeskMessages, WaitForMessageWakesForAPostFromAnotherThread) {
  int handled = 0;
  const WindowHandle target = MakeWindow([&](const WindowMessage&) -> std::optional<intptr_t> {
    ++handled;
    return 0;
  });
  ThreadRunner peer(windows());
  peer.Run([&] {
    std::this_thread::sleep_for(20ms);
    windows().Post(target, kPing, 0, 0);
  });
  const auto before = platform::Clock::now();
  windows().WaitForMessage(before + kPatience);
  EXPECT_LT(platform::Clock::now() - before, kPatience);  // woken, not timed out
  windows().PumpMessages();
  EXPECT_EQ(handled, 1);
}

TEST_F(DeskMessages, WaitForMessageReturnsAtOnceWhenSomethingWaitsAndAtTheDeadlineOtherwise) {
  const WindowHandle target = MakeWindow(nullptr);
  windows().Post(target, kPing, 0, 0);
  const auto before = platform::Clock::now();
  windows().WaitForMessage(before + kPatience);
  EXPECT_LT(platform::Clock::now() - before, kPatience);
  windows().PumpMessages();

  const auto deadline = platform::Clock::now() + 5ms;
  windows().WaitForMessage(deadline);
  EXPECT_GE(platform::Clock::now(), deadline);
}

TEST_F(DeskMessages, PumpUntilServesARunnerThatSendsIntoThisThread) {
  int handled = 0;
  const WindowHandle mine = MakeWindow([&](const WindowMessage& m) -> std::optional<intptr_t> {
    if (m.id == kPing) ++handled;
    return 4;
  });
  ThreadRunner peer(windows());
  std::atomic<intptr_t> result{-1};
  peer.Run([&] {
    result = windows().Send(mine, kPing, 0, 0);
    windows().Post(mine, kOther, 0, 0);  // wakes this thread to look at `result`
  });
  EXPECT_TRUE(PumpUntil(windows(), [&] { return result.load() != -1; }));
  EXPECT_EQ(result.load(), 4);
  EXPECT_EQ(handled, 1);
}

}  // namespace
}  // namespace orvabridge::platform::desk
