// Driving a Simulator the way the library does: a reply window on the test's thread catches the
// answers while the test pumps its messages. Deadlines only guard against a hang.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "channel/codec.h"
#include "channel/records.h"
#include "sim/simulator.h"
#include "support/test_platform.h"

namespace orvabridge::testing {

inline constexpr std::chrono::seconds kGenerous{10};

class ReplyCatcher {
 public:
  struct Caught {
    uint32_t code = 0;
    std::vector<std::byte> bytes;
    platform::WindowHandle sender;
    bool during_send = false;  // arrived while this thread was inside Send below
  };

  explicit ReplyCatcher(platform::WindowSystem& windows) : windows_(windows) {
    window_ = windows_.MakeMessageWindow([this](const platform::WindowMessage& message) {
      if (message.id != platform::kWmCopyData || !message.copy_data) {
        return std::optional<intptr_t>();
      }
      caught_.push_back({message.copy_data->code,
                         {message.copy_data->bytes.begin(), message.copy_data->bytes.end()},
                         platform::WindowHandle(static_cast<uint32_t>(message.wparam)),
                         sending_});
      return std::optional<intptr_t>(1);
    });
  }
  ~ReplyCatcher() { windows_.DestroyWindow(window_); }
  ReplyCatcher(const ReplyCatcher&) = delete;
  ReplyCatcher& operator=(const ReplyCatcher&) = delete;

  platform::WindowHandle window() const { return window_; }
  const std::vector<Caught>& caught() const { return caught_; }

  void Send(platform::WindowHandle to, uint32_t code, std::span<const std::byte> record) {
    sending_ = true;
    windows_.SendCopyData(to, window_, code, record, platform::kNoLimit);
    sending_ = false;
  }

  bool WaitForCount(size_t count) {
    const platform::Deadline deadline = platform::Clock::now() + kGenerous;
    for (;;) {
      windows_.PumpMessages();
      if (caught_.size() >= count) return true;
      if (platform::Clock::now() >= deadline) return false;
      windows_.WaitForMessage(deadline);
    }
  }

 private:
  platform::WindowSystem& windows_;
  platform::WindowHandle window_;
  std::vector<Caught> caught_;
  bool sending_ = false;
};

class SimulatorTest : public ::testing::Test {
 protected:
  SimulatorTest()
      : platform_(MakeTestPlatform()),
        codec_(platform_->AnsiCodePage()),
        simulator_(std::make_unique<sim::Simulator>(platform_)),
        catcher_(std::make_unique<ReplyCatcher>(platform_->Windows())) {}

  void SetUp() override { simulator_->Start(); }
  void TearDown() override {
    simulator_->Stop();
    catcher_.reset();
  }

  platform::WindowSystem& windows() { return platform_->Windows(); }

  template <size_t N>
  channel::Record<N> NewRecord() const {
    channel::Record<N> record{};
    channel::WriteU32(record, channel::kSizeField, static_cast<uint32_t>(N));
    return record;
  }

  // Sends a request to the control window and returns its one answer.
  std::vector<std::byte> Ask(uint32_t code, std::span<const std::byte> record) {
    const size_t before = catcher_->caught().size();
    catcher_->Send(simulator_->control_window(), code, record);
    EXPECT_TRUE(catcher_->WaitForCount(before + 1)) << "no answer to " << code;
    if (catcher_->caught().size() <= before) return {};
    EXPECT_EQ(catcher_->caught()[before].code, code);
    return catcher_->caught()[before].bytes;
  }

  void SendAttach() {
    const platform::MessageId attach = windows().RegisterMessage(sim::kAttachMessageName);
    // The simulator answers with a send that skips a thread the system takes for hung: one that
    // has not looked at its messages for five seconds, as the test thread may not have.
    windows().PumpMessages();
    windows().Notify(simulator_->main_window(), attach, catcher_->window().value, 0);
  }

  std::shared_ptr<platform::Platform> platform_;
  channel::FieldCodec codec_;
  std::unique_ptr<sim::Simulator> simulator_;
  std::unique_ptr<ReplyCatcher> catcher_;
};

}  // namespace orvabridge::testing
