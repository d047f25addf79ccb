// The fault switches: each makes the simulated application misbehave in one documented way.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "sim_test_support.h"

namespace orvabridge::testing {
namespace {

namespace cmd = channel::command;
namespace fp = channel::find_patient;

class SimulatorFaultsTest : public SimulatorTest {
 protected:
  void SetUp() override {
    SimulatorTest::SetUp();
    simulator_->AddPatient({.id = "P1", .first_name = "Ada", .last_name = "Lovelace"});
  }

  channel::Record<fp::kSize> FindRequest() {
    auto record = NewRecord<fp::kSize>();
    codec_.WriteText(record, fp::kPatientId, "P1");
    return record;
  }

  // Sends the request from a helper thread while this thread does not pump. An answer given
  // inside the send would block the helper for good; an answer from the simulator's loop lets
  // it finish and waits for this thread. Returns false when the helper never finished.
  bool SendFromHelperThread(uint32_t code, std::span<const std::byte> record) {
    const platform::WindowHandle control = simulator_->control_window();
    const platform::WindowHandle reply_to = catcher_->window();
    auto sent = std::async(std::launch::async, [&] {
      windows().SendCopyData(control, reply_to, code, record, platform::kNoLimit);
    });
    const bool finished = sent.wait_for(kGenerous) == std::future_status::ready;
    if (!finished) {
      catcher_->WaitForCount(catcher_->caught().size() + 1);  // unblock the helper
    }
    sent.get();
    return finished;
  }
};

TEST_F(SimulatorFaultsTest, FromPumpAndDelayedRepliesComeAfterTheSendHasReturned) {
  catcher_->Send(simulator_->control_window(), cmd::kFindPatient, FindRequest());
  ASSERT_EQ(catcher_->caught().size(), 1u);
  EXPECT_TRUE(catcher_->caught()[0].during_send) << "by default the answer comes inside the send";
  EXPECT_EQ(catcher_->caught()[0].sender, simulator_->control_window());

  const sim::FaultSwitches faults[] = {{.timing = sim::ReplyTiming::kFromPump},
                                       {.reply_delay = std::chrono::milliseconds(30)}};
  for (const sim::FaultSwitches& fault : faults) {
    SCOPED_TRACE(fault.reply_delay.count());
    const size_t before = catcher_->caught().size();
    simulator_->SetFaults(fault);
    ASSERT_TRUE(SendFromHelperThread(cmd::kFindPatient, FindRequest()));
    EXPECT_EQ(catcher_->caught().size(), before);
    ASSERT_TRUE(catcher_->WaitForCount(before + 1));
    EXPECT_EQ(channel::ReadI32(catcher_->caught()[before].bytes, fp::kFound), 1);
  }
}

TEST_F(SimulatorFaultsTest, WrongCodeAndReplySizeReshapeTheRightAnswer) {
  simulator_->SetFaults({.reply_code = 4242u});
  catcher_->Send(simulator_->control_window(), cmd::kFindPatient, FindRequest());
  ASSERT_TRUE(catcher_->WaitForCount(1));
  EXPECT_EQ(catcher_->caught()[0].code, 4242u);
  EXPECT_EQ(codec_.ReadText(catcher_->caught()[0].bytes, fp::kFirstName), "Ada");

  simulator_->SetFaults({.reply_size = size_t{100}});
  catcher_->Send(simulator_->control_window(), cmd::kFindPatient, FindRequest());
  ASSERT_TRUE(catcher_->WaitForCount(2));
  const auto& cut = catcher_->caught()[1].bytes;
  ASSERT_EQ(cut.size(), 100u);
  const channel::Field cut_first_name{fp::kFirstName.offset, cut.size() - fp::kFirstName.offset};
  EXPECT_EQ(codec_.ReadText(cut, cut_first_name), "Ada");
}

TEST_F(SimulatorFaultsTest, ControlWindowDiesMidRequestWithoutAnswering) {
  const platform::WindowHandle control = simulator_->control_window();
  simulator_->SetFaults({.destroy_control_window_on_request = true});
  catcher_->Send(control, cmd::kFindPatient, FindRequest());
  EXPECT_FALSE(windows().IsWindow(control));
  EXPECT_EQ(simulator_->control_window(), platform::WindowHandle());
  windows().PumpMessages();
  EXPECT_TRUE(catcher_->caught().empty());
  EXPECT_TRUE(windows().IsWindow(simulator_->main_window()));
}

TEST_F(SimulatorFaultsTest, NoReplyLimitedToOneCommandStillRecordsItsRequest) {
  simulator_->SetFaults({.no_reply = true, .only_for_command = cmd::kCurrentPatient});
  catcher_->Send(simulator_->control_window(), cmd::kFindPatient, FindRequest());
  EXPECT_EQ(catcher_->caught().size(), 1u);
  auto current = NewRecord<channel::patient::kShortSize>();
  catcher_->Send(simulator_->control_window(), cmd::kCurrentPatient, current);
  windows().PumpMessages();
  EXPECT_EQ(catcher_->caught().size(), 1u);
  EXPECT_EQ(simulator_->Requests().size(), 2u);
}

TEST_F(SimulatorFaultsTest, AttachCanBeIgnoredAndTheSwitchesApplyToItsAnswer) {
  simulator_->SetFaults({.ignore_attach = true});
  SendAttach();
  ASSERT_TRUE(simulator_->WaitForAttachCount(1, kGenerous));
  windows().PumpMessages();
  EXPECT_TRUE(catcher_->caught().empty());
  // Requests are still answered.
  catcher_->Send(simulator_->control_window(), cmd::kFindPatient, FindRequest());
  EXPECT_EQ(catcher_->caught().size(), 1u);

  simulator_->SetFaults({.reply_size = size_t{40}, .only_for_command = cmd::kAttach});
  SendAttach();
  ASSERT_TRUE(catcher_->WaitForCount(2));
  EXPECT_EQ(catcher_->caught()[1].code, cmd::kAttach);
  EXPECT_EQ(catcher_->caught()[1].bytes.size(), 40u);
}

}  // namespace
}  // namespace orvabridge::testing
