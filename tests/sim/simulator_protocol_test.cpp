// The simulator's windows, its answer to the attach broadcast, and its check of request layouts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace orvabridge::testing {
namespace {

using ::testing::HasSubstr;
namespace cmd = channel::command;

class SimulatorProtocolTest : public SimulatorTest {};

TEST_F(SimulatorProtocolTest, StopDestroysTheWindowsAndMayBeRepeated) {
  const platform::WindowHandle main = simulator_->main_window();
  const platform::WindowHandle control = simulator_->control_window();
  ASSERT_EQ(windows().Parent(control), main);
  simulator_->Stop();
  EXPECT_FALSE(windows().IsWindow(main));
  EXPECT_FALSE(windows().IsWindow(control));
  simulator_->Stop();
}

TEST_F(SimulatorProtocolTest, AttachIsAnsweredWithTheControlWindowWhileThereIsOne) {
  SendAttach();
  ASSERT_TRUE(catcher_->WaitForCount(1));
  const auto& reply = catcher_->caught()[0];
  EXPECT_EQ(reply.code, cmd::kAttach);
  ASSERT_EQ(reply.bytes.size(), channel::attach_reply::kSize);
  EXPECT_EQ(channel::ReadU32(reply.bytes, channel::attach_reply::kControlWindow),
            simulator_->control_window().value);
  EXPECT_EQ(simulator_->AttachSenders().at(0), catcher_->window());

  // Without its control window the application stays silent.
  simulator_->DestroyControlWindow();
  SendAttach();
  ASSERT_TRUE(simulator_->WaitForAttachCount(2, kGenerous));
  // The attach handler has run; anything it sent would be waiting for this thread now.
  windows().PumpMessages();
  EXPECT_EQ(catcher_->caught().size(), 1u);
}

TEST_F(SimulatorProtocolTest, RequestsAreRecordedWithTheirLayoutViolations) {
  auto find = NewRecord<channel::find_patient::kSize>();
  codec_.WriteText(find, channel::find_patient::kPatientId, "P1");
  Ask(cmd::kFindPatient, find);
  Ask(cmd::kUserLogout, {});  // the one request without a record

  // Too short for its code, yet still answered from a zero-padded record.
  std::vector<std::byte> short_find(580);
  channel::WriteU32(short_find, channel::kSizeField, 580);
  Ask(cmd::kFindPatient, short_find);
  // Right byte count, wrong size field.
  auto lying = NewRecord<channel::image_query::kSize>();
  channel::WriteU32(lying, channel::kSizeField, 1540);
  Ask(cmd::kSearchImage, lying);
  // A logout carries no record.
  std::vector<std::byte> logout_with_data(8);
  Ask(cmd::kUserLogout, logout_with_data);
  // Not a request the application knows.
  auto unknown = NewRecord<64>();
  catcher_->Send(simulator_->control_window(), cmd::kIgnoredReply, unknown);

  const auto requests = simulator_->Requests();
  ASSERT_EQ(requests.size(), 6u);
  EXPECT_EQ(requests[0].code, cmd::kFindPatient);
  EXPECT_EQ(requests[0].bytes.size(), channel::find_patient::kSize);
  EXPECT_EQ(requests[0].sender, catcher_->window());
  EXPECT_EQ(requests[0].layout_error, "");
  EXPECT_EQ(requests[1].code, cmd::kUserLogout);
  EXPECT_TRUE(requests[1].bytes.empty());
  EXPECT_EQ(requests[1].layout_error, "");
  EXPECT_THAT(requests[2].layout_error, HasSubstr("byte count 580, expected 584"));
  EXPECT_THAT(requests[3].layout_error, HasSubstr("size field 1540, expected 388"));
  EXPECT_THAT(requests[4].layout_error, HasSubstr("byte count 8, expected 0"));
  EXPECT_THAT(requests[5].layout_error, HasSubstr("not a request"));
}

}  // namespace
}  // namespace orvabridge::testing
