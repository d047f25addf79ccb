// Messages between windows on the platform of the build: registered messages, copy-data across
// threads, the blocking rules of send, notify and post, and the message loop.
#include <atomic>
#include <cstring>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/contract/contract_fixture.h"
#include "support/thread_runner.h"

namespace orvabridge::platform::contract {
namespace {

using testing::ThreadRunner;

std::vector<std::byte> Pattern(size_t size) {
  std::vector<std::byte> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::byte>((i * 7 + 3) & 0xFF);
  return bytes;
}

class PlatformMessaging : public WindowTest {
 protected:
  // A message-only window of another thread, which handles its messages there.
  class Peer {
   public:
    Peer(PlatformMessaging& test, MessageHandler handler) : runner_(test.windows()) {
      WindowBlueprint blueprint;
      blueprint.message_only = true;
      window_ = test.Track(
          runner_.Call([&] { return test.windows().MakeWindow(blueprint, std::move(handler)); }));
    }
    WindowHandle window() const { return window_; }
    ThreadId thread_id() const { return runner_.thread_id(); }

   private:
    ThreadRunner runner_;  // its windows go with its thread
    WindowHandle window_;
  };
};

TEST_F(PlatformMessaging, RegisteredMessageNumbersAreStablePerName) {
  const auto first = windows().RegisterMessage("OrvabridgeTestMessage0");
  EXPECT_GE(first, 0xC000u);
  EXPECT_EQ(windows().RegisterMessage("OrvabridgeTestMessage0"), first);
  EXPECT_NE(windows().RegisterMessage("OrvabridgeTestMessage1"), first);
  EXPECT_EQ(windows().RegisterMessage(""), 0u);
}

TEST_F(PlatformMessaging, CopyDataReachesAWindowOfAnotherThreadWithEveryByte) {
  struct Received {
    uint32_t code = 0;
    std::vector<std::byte> bytes;
    uintptr_t sender = 0;
  } received;
  Peer peer(*this, [&](const WindowMessage& message) -> std::optional<intptr_t> {
    if (message.id != kWmCopyData) return std::nullopt;
    received.code = message.copy_data->code;
    received.bytes.assign(message.copy_data->bytes.begin(), message.copy_data->bytes.end());
    received.sender = message.wparam;
    return 42;
  });
  const WindowHandle own = MessageOnly([](const WindowMessage&) { return std::nullopt; });
  const auto record = Pattern(26236);

  EXPECT_EQ(windows().SendCopyData(peer.window(), own, 1500, record, kNoLimit).result, 42);

  EXPECT_EQ(received.code, 1500u);
  EXPECT_EQ(received.bytes, record);
  EXPECT_EQ(received.sender, own.value);
}

TEST_F(PlatformMessaging, AnEmptyRecordArrivesAsAnEmptyBlock) {
  std::optional<size_t> size;
  uint32_t code = 0;
  Peer peer(*this, [&](const WindowMessage& message) -> std::optional<intptr_t> {
    if (message.id != kWmCopyData) return std::nullopt;
    code = message.copy_data->code;
    size = message.copy_data->bytes.size();
    return 1;
  });

  EXPECT_EQ(windows().SendCopyData(peer.window(), WindowHandle(), 1020, {}, kNoLimit).result, 1);
  EXPECT_EQ(code, 1020u);
  EXPECT_EQ(size, 0u);
}

TEST_F(PlatformMessaging, AReplySentWhileTheRequestIsInProgressIsHandledBeforeTheSendReturns) {
  // The peer answers from inside its handler, as the imaging application may: the sender is
  // blocked in its send, and still has to take the reply.
  Peer peer(*this, [&](const WindowMessage& message) -> std::optional<intptr_t> {
    if (message.id != kWmCopyData) return std::nullopt;
    const std::string answer = "answer to " + std::to_string(message.copy_data->code);
    windows()
        .SendCopyData(WindowHandle(static_cast<uint32_t>(message.wparam)), WindowHandle(),
                      message.copy_data->code, std::as_bytes(std::span(answer)), kNoLimit)
        .result;
    return 0;
  });
  std::vector<std::string> replies;
  const WindowHandle reply_window =
      MessageOnly([&](const WindowMessage& message) -> std::optional<intptr_t> {
        if (message.id != kWmCopyData) return std::nullopt;
        const auto& bytes = message.copy_data->bytes;
        replies.emplace_back(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return 0;
      });
  const auto request = Pattern(584);

  windows().SendCopyData(peer.window(), reply_window, 1003, request, kNoLimit).result;

  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0], "answer to 1003");
}

TEST_F(PlatformMessaging, SendingToNoWindowAnswersZero) {
  auto handler = [](const WindowMessage&) -> std::optional<intptr_t> { return 7; };
  const WindowHandle gone = windows().MakeMessageWindow(handler);
  ASSERT_TRUE(windows().IsWindow(gone));
  windows().DestroyWindow(gone);

  EXPECT_FALSE(windows().IsWindow(gone));
  EXPECT_FALSE(windows().IsWindow(WindowHandle()));
  EXPECT_EQ(windows().SendCopyData(gone, WindowHandle(), 1, Pattern(4), kNoLimit).result, 0);
  EXPECT_EQ(windows().SendCopyData(WindowHandle(), WindowHandle(), 1, Pattern(4), kNoLimit).result,
            0);
  EXPECT_EQ(windows().Send(gone, kWmUser, 0, 0, kNoLimit).result, 0);
  EXPECT_FALSE(windows().Post(gone, kWmUser, 0, 0));
}

TEST_F(PlatformMessaging, NotifyReturnsBeforeAnotherThreadHasHandledTheMessage) {
  std::promise<void> release;
  auto released = release.get_future().share();
  std::atomic<bool> handled{false};
  const auto id = windows().RegisterMessage("OrvabridgeTestNotify");
  Peer peer(*this, [&](const WindowMessage& message) -> std::optional<intptr_t> {
    if (message.id != id) return std::nullopt;
    // Held until the sender has come back from its notify; bounded so a blocking
    // notify shows up as a failure rather than a hang.
    released.wait_for(kPatience);
    handled = true;
    return 0;
  });

  ASSERT_TRUE(windows().Notify(peer.window(), id, 1, 0));
  EXPECT_FALSE(handled.load());
  release.set_value();
}

TEST_F(PlatformMessaging, NotifyAndSendToAWindowOfTheSameThreadRunTheHandlerAtOnce) {
  std::vector<uintptr_t> seen;
  const WindowHandle own =
      MessageOnly([&](const WindowMessage& message) -> std::optional<intptr_t> {
        if (message.id != kWmUser + 1) return std::nullopt;
        seen.push_back(message.wparam);
        return static_cast<intptr_t>(message.wparam * 10);
      });

  EXPECT_TRUE(windows().Notify(own, kWmUser + 1, 1, 0));
  EXPECT_EQ(windows().Send(own, kWmUser + 1, 2, 0, kNoLimit).result, 20);
  EXPECT_EQ(seen, (std::vector<uintptr_t>{1, 2}));
}

TEST_F(PlatformMessaging, PostedMessagesWaitForThePump) {
  std::vector<intptr_t> seen;
  const WindowHandle own =
      MessageOnly([&](const WindowMessage& message) -> std::optional<intptr_t> {
        if (message.id != kWmUser + 2) return std::nullopt;
        seen.push_back(message.lparam);
        return 0;
      });

  ASSERT_TRUE(windows().Post(own, kWmUser + 2, 0, 5));
  ASSERT_TRUE(windows().Post(own, kWmUser + 2, 0, 6));
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(windows().PumpMessages());
  EXPECT_EQ(seen, (std::vector<intptr_t>{5, 6}));
}

TEST_F(PlatformMessaging, WaitForMessageWakesForAMessagePostedByAnotherThread) {
  std::atomic<bool> handled{false};
  const WindowHandle own =
      MessageOnly([&](const WindowMessage& message) -> std::optional<intptr_t> {
        if (message.id != kWmUser + 3) return std::nullopt;
        handled = true;
        return 0;
      });
  windows().PumpMessages();
  // A deadline in the past never blocks.
  windows().WaitForMessage(Clock::now() - std::chrono::seconds(1));

  const auto deadline = Clock::now() + kPatience;
  std::thread poster([&] { windows().Post(own, kWmUser + 3, 0, 0); });
  windows().WaitForMessage(deadline);
  poster.join();

  EXPECT_LT(Clock::now(), deadline) << "woke only at the deadline";
  EXPECT_TRUE(windows().PumpMessages());
  EXPECT_TRUE(handled.load());
}

TEST_F(PlatformMessaging, AQuitRequestEndsThePumpAfterEarlierPostsAndStaysForTheOuterLoop) {
  // On a thread of its own: the quit request must not reach the test runner's thread.
  std::vector<int> seen;
  std::thread([&] {
    int handled = 0;
    WindowBlueprint blueprint;
    blueprint.message_only = true;
    UniqueWindow own(windows(), blueprint, [&](const WindowMessage& message) {
      if (message.id == kWmUser) ++handled;
      return std::optional<intptr_t>();
    });
    windows().Post(own.get(), kWmUser, 0, 0);
    windows().PostQuitMessage();
    seen.push_back(windows().PumpMessages());
    seen.push_back(handled);
    seen.push_back(windows().PumpMessages());
  }).join();

  EXPECT_EQ(seen, (std::vector<int>{false, 1, false}));
}

TEST_F(PlatformMessaging, AHandlerFailureIsThrownByTheCallThatDispatchedIt) {
  const WindowHandle own = MessageOnly([](const WindowMessage& message) -> std::optional<intptr_t> {
    if (message.id == kWmUser + 4) throw std::runtime_error("handler failed");
    return std::nullopt;
  });

  windows().Post(own, kWmUser + 4, 0, 0);
  EXPECT_THROW(windows().PumpMessages(), std::runtime_error);
  EXPECT_TRUE(windows().PumpMessages()) << "the failure is thrown once";
  EXPECT_THROW(windows().Send(own, kWmUser + 4, 0, 0, kNoLimit).result, std::runtime_error);
  EXPECT_TRUE(windows().IsWindow(own));
}

TEST_F(PlatformMessaging, AWindowMayDestroyItselfInsideItsHandler) {
  std::vector<MessageId> after_destroy;
  WindowHandle self;
  self = windows().MakeMessageWindow([&](const WindowMessage& message) -> std::optional<intptr_t> {
    if (message.id == kWmUser + 5) {
      windows().DestroyWindow(self);
      // The handler object is still in use here, after its window is gone.
      after_destroy.push_back(message.id);
      return 0;
    }
    return std::nullopt;
  });

  EXPECT_EQ(windows().Send(self, kWmUser + 5, 0, 0, kNoLimit).result, 0);
  EXPECT_FALSE(windows().IsWindow(self));
  EXPECT_EQ(after_destroy, (std::vector<MessageId>{kWmUser + 5}));
}

TEST_F(PlatformMessaging, ACopyDataMessageWithoutItsBlockReachesTheHandlerAsEmpty) {
  std::optional<size_t> size;
  const WindowHandle own =
      MessageOnly([&](const WindowMessage& message) -> std::optional<intptr_t> {
        if (message.id != kWmCopyData) return std::nullopt;
        size = message.copy_data ? message.copy_data->bytes.size() : 99;
        return 1;
      });

  EXPECT_EQ(windows().Send(own, kWmCopyData, 0, 0, kNoLimit).result, 1);
  EXPECT_EQ(size, 0u);
}

}  // namespace
}  // namespace orvabridge::platform::contract
