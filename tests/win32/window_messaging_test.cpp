// Messages between windows of the real window manager: registered messages, copy-data across
// threads, the blocking rules of send, notify and post, and the message loop.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <future>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "win32/win32_test_support.h"

namespace orvabridge::win32_testing {
namespace {

using platform::CopyData;
using platform::kWmCopyData;
using platform::kWmUser;

class Win32MessagingTest : public ::testing::Test {
 protected:
  std::shared_ptr<platform::Platform> platform_ = platform::DefaultPlatform();
  WindowSystem& windows_ = platform_->Windows();
};

std::vector<std::byte> Pattern(size_t size) {
  std::vector<std::byte> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::byte>((i * 7 + 3) & 0xFF);
  return bytes;
}

TEST_F(Win32MessagingTest, RegisteredMessageNumbersAreStablePerName) {
  const auto first = windows_.RegisterMessage("OrvabridgeTestMessage0");
  EXPECT_GE(first, 0xC000u);
  EXPECT_EQ(windows_.RegisterMessage("OrvabridgeTestMessage0"), first);
  EXPECT_NE(windows_.RegisterMessage("OrvabridgeTestMessage1"), first);
  EXPECT_EQ(windows_.RegisterMessage(""), 0u);
}

TEST_F(Win32MessagingTest, CopyDataReachesAWindowOfAnotherThreadWithEveryByte) {
  struct Received {
    uint32_t code = 0;
    std::vector<std::byte> bytes;
    uintptr_t sender = 0;
  } received;
  PeerThread peer(
      windows_, MessageOnlySpec(), [&](const WindowMessage& message) -> std::optional<intptr_t> {
        if (message.id != kWmCopyData) return std::nullopt;
        received.code = message.copy_data->code;
        received.bytes.assign(message.copy_data->bytes.begin(), message.copy_data->bytes.end());
        received.sender = message.wparam;
        return 42;
      });
  ScopedWindow own(windows_, MessageOnlySpec(), [](const WindowMessage&) { return std::nullopt; });
  const auto record = Pattern(26236);

  EXPECT_EQ(
      windows_.SendCopyData(peer.window(), own.get(), 1500, record, platform::kNoLimit).result, 42);

  EXPECT_EQ(received.code, 1500u);
  EXPECT_EQ(received.bytes, record);
  EXPECT_EQ(received.sender, own.get().value);
}

TEST_F(Win32MessagingTest, AnEmptyRecordArrivesAsAnEmptyBlock) {
  std::optional<size_t> size;
  uint32_t code = 0;
  PeerThread peer(windows_, MessageOnlySpec(),
                  [&](const WindowMessage& message) -> std::optional<intptr_t> {
                    if (message.id != kWmCopyData) return std::nullopt;
                    code = message.copy_data->code;
                    size = message.copy_data->bytes.size();
                    return 1;
                  });

  EXPECT_EQ(
      windows_.SendCopyData(peer.window(), WindowHandle(), 1020, {}, platform::kNoLimit).result, 1);
  EXPECT_EQ(code, 1020u);
  EXPECT_EQ(size, 0u);
}

TEST_F(Win32MessagingTest, AReplySentWhileTheRequestIsInProgressIsHandledBeforeTheSendReturns) {
  // The peer answers from inside its handler, as the imaging application may: the sender is
  // blocked in its send, and still has to take the reply.
  PeerThread peer(
      windows_, MessageOnlySpec(), [&](const WindowMessage& message) -> std::optional<intptr_t> {
        if (message.id != kWmCopyData) return std::nullopt;
        const std::string answer = "answer to " + std::to_string(message.copy_data->code);
        windows_
            .SendCopyData(WindowHandle(static_cast<uint32_t>(message.wparam)), WindowHandle(),
                          message.copy_data->code, std::as_bytes(std::span(answer)),
                          platform::kNoLimit)
            .result;
        return 0;
      });
  std::vector<std::string> replies;
  ScopedWindow reply_window(
      windows_, MessageOnlySpec(), [&](const WindowMessage& message) -> std::optional<intptr_t> {
        if (message.id != kWmCopyData) return std::nullopt;
        const auto& bytes = message.copy_data->bytes;
        replies.emplace_back(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return 0;
      });
  const auto request = Pattern(584);

  windows_.SendCopyData(peer.window(), reply_window.get(), 1003, request, platform::kNoLimit)
      .result;

  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0], "answer to 1003");
}

TEST_F(Win32MessagingTest, SendingToNoWindowAnswersZero) {
  auto handler = [](const WindowMessage&) -> std::optional<intptr_t> { return 7; };
  const WindowHandle gone = windows_.MakeMessageWindow(handler);
  ASSERT_TRUE(windows_.IsWindow(gone));
  windows_.DestroyWindow(gone);

  EXPECT_FALSE(windows_.IsWindow(gone));
  EXPECT_FALSE(windows_.IsWindow(WindowHandle()));
  EXPECT_EQ(windows_.SendCopyData(gone, WindowHandle(), 1, Pattern(4), platform::kNoLimit).result,
            0);
  EXPECT_EQ(windows_.SendCopyData(WindowHandle(), WindowHandle(), 1, Pattern(4), platform::kNoLimit)
                .result,
            0);
  EXPECT_EQ(windows_.Send(gone, kWmUser, 0, 0, platform::kNoLimit).result, 0);
  EXPECT_FALSE(windows_.Post(gone, kWmUser, 0, 0));
}

TEST_F(Win32MessagingTest, NotifyReturnsBeforeAnotherThreadHasHandledTheMessage) {
  std::promise<void> release;
  auto released = release.get_future().share();
  std::atomic<bool> handled{false};
  const auto id = windows_.RegisterMessage("OrvabridgeTestNotify");
  PeerThread peer(windows_, MessageOnlySpec(),
                  [&](const WindowMessage& message) -> std::optional<intptr_t> {
                    if (message.id != id) return std::nullopt;
                    // Held until the sender has come back from its notify; bounded so a blocking
                    // notify shows up as a failure rather than a hang.
                    released.wait_for(kPatience);
                    handled = true;
                    return 0;
                  });

  ASSERT_TRUE(windows_.Notify(peer.window(), id, 1, 0));
  EXPECT_FALSE(handled.load());
  release.set_value();
}

TEST_F(Win32MessagingTest, NotifyAndSendToAWindowOfTheSameThreadRunTheHandlerAtOnce) {
  std::vector<uintptr_t> seen;
  ScopedWindow own(windows_, MessageOnlySpec(),
                   [&](const WindowMessage& message) -> std::optional<intptr_t> {
                     if (message.id != kWmUser + 1) return std::nullopt;
                     seen.push_back(message.wparam);
                     return static_cast<intptr_t>(message.wparam * 10);
                   });

  EXPECT_TRUE(windows_.Notify(own.get(), kWmUser + 1, 1, 0));
  EXPECT_EQ(windows_.Send(own.get(), kWmUser + 1, 2, 0, platform::kNoLimit).result, 20);
  EXPECT_EQ(seen, (std::vector<uintptr_t>{1, 2}));
}

TEST_F(Win32MessagingTest, PostedMessagesWaitForThePump) {
  std::vector<intptr_t> seen;
  ScopedWindow own(windows_, MessageOnlySpec(),
                   [&](const WindowMessage& message) -> std::optional<intptr_t> {
                     if (message.id != kWmUser + 2) return std::nullopt;
                     seen.push_back(message.lparam);
                     return 0;
                   });

  ASSERT_TRUE(windows_.Post(own.get(), kWmUser + 2, 0, 5));
  ASSERT_TRUE(windows_.Post(own.get(), kWmUser + 2, 0, 6));
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(windows_.PumpMessages());
  EXPECT_EQ(seen, (std::vector<intptr_t>{5, 6}));
}

TEST_F(Win32MessagingTest, WaitForMessageWakesForAMessagePostedByAnotherThread) {
  std::atomic<bool> handled{false};
  ScopedWindow own(windows_, MessageOnlySpec(),
                   [&](const WindowMessage& message) -> std::optional<intptr_t> {
                     if (message.id != kWmUser + 3) return std::nullopt;
                     handled = true;
                     return 0;
                   });
  windows_.PumpMessages();
  // A deadline in the past never blocks.
  windows_.WaitForMessage(Clock::now() - std::chrono::seconds(1));

  const auto deadline = Clock::now() + kPatience;
  std::thread poster([&] { windows_.Post(own.get(), kWmUser + 3, 0, 0); });
  windows_.WaitForMessage(deadline);
  poster.join();

  EXPECT_LT(Clock::now(), deadline) << "woke only at the deadline";
  EXPECT_TRUE(windows_.PumpMessages());
  EXPECT_TRUE(handled.load());
}

TEST_F(Win32MessagingTest, AQuitRequestEndsThePumpAndStaysForTheOuterLoop) {
  // On a thread of its own: the quit request must not reach the test runner's thread.
  std::vector<bool> pumps;
  std::thread([&] {
    ScopedWindow own(windows_, MessageOnlySpec(),
                     [](const WindowMessage&) { return std::nullopt; });
    windows_.Post(own.get(), kWmUser, 0, 0);
    windows_.PostQuitMessage();
    pumps.push_back(windows_.PumpMessages());
    pumps.push_back(windows_.PumpMessages());
  }).join();

  EXPECT_EQ(pumps, (std::vector<bool>{false, false}));
}

TEST_F(Win32MessagingTest, AHandlerFailureIsThrownByTheCallThatDispatchedIt) {
  ScopedWindow own(windows_, MessageOnlySpec(),
                   [](const WindowMessage& message) -> std::optional<intptr_t> {
                     if (message.id == kWmUser + 4) throw std::runtime_error("handler failed");
                     return std::nullopt;
                   });

  windows_.Post(own.get(), kWmUser + 4, 0, 0);
  EXPECT_THROW(windows_.PumpMessages(), std::runtime_error);
  EXPECT_TRUE(windows_.PumpMessages()) << "the failure is thrown once";
  EXPECT_THROW(windows_.Send(own.get(), kWmUser + 4, 0, 0, platform::kNoLimit).result,
               std::runtime_error);
  EXPECT_TRUE(windows_.IsWindow(own.get()));
}

TEST_F(Win32MessagingTest, AWindowMayDestroyItselfInsideItsHandler) {
  std::vector<platform::MessageId> after_destroy;
  WindowHandle self;
  self = windows_.MakeMessageWindow([&](const WindowMessage& message) -> std::optional<intptr_t> {
    if (message.id == kWmUser + 5) {
      windows_.DestroyWindow(self);
      // The handler object is still in use here, after its window is gone.
      after_destroy.push_back(message.id);
      return 0;
    }
    return std::nullopt;
  });

  EXPECT_EQ(windows_.Send(self, kWmUser + 5, 0, 0, platform::kNoLimit).result, 0);
  EXPECT_FALSE(windows_.IsWindow(self));
  EXPECT_EQ(after_destroy, (std::vector<platform::MessageId>{kWmUser + 5}));
}

TEST_F(Win32MessagingTest, ACopyDataMessageWithoutItsBlockReachesTheHandlerAsEmpty) {
  std::optional<size_t> size;
  ScopedWindow own(windows_, MessageOnlySpec(),
                   [&](const WindowMessage& message) -> std::optional<intptr_t> {
                     if (message.id != kWmCopyData) return std::nullopt;
                     size = message.copy_data ? message.copy_data->bytes.size() : 99;
                     return 1;
                   });

  EXPECT_EQ(windows_.Send(own.get(), kWmCopyData, 0, 0, platform::kNoLimit).result, 1);
  EXPECT_EQ(size, 0u);
}

}  // namespace
}  // namespace orvabridge::win32_testing
