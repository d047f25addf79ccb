// orva-sim --trace: every request with every field of its record and each layout violation,
// every reply with the fields that carry something, one block each, flushed block by block.
#include "sim/request_trace.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <streambuf>

#include "sim_test_support.h"

namespace orvabridge::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
namespace cmd = channel::command;
namespace fp = channel::find_patient;
namespace gn = channel::generic;

// Keeps what is written and where the writer flushed.
class FlushRecorder : public std::streambuf {
 public:
  std::string text;
  std::vector<size_t> flushed_at;

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) text += traits_type::to_char_type(c);
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    text.append(s, static_cast<size_t>(n));
    return n;
  }
  int sync() override {
    flushed_at.push_back(text.size());
    return 0;
  }
};

// The blocks of a trace, each without its "#n +t ms " stamp.
std::vector<std::string> Blocks(const std::string& trace) {
  std::vector<std::string> blocks;
  size_t start = 0;
  for (size_t end; (end = trace.find("\n\n", start)) != std::string::npos; start = end + 2) {
    const std::string block = trace.substr(start, end + 1 - start);
    const size_t stamp_end = block.find(" ms ");
    blocks.push_back(stamp_end == std::string::npos ? block : block.substr(stamp_end + 4));
  }
  return blocks;
}

// The value a block shows for `field`; "(no line)" when it has none.
std::string FieldValue(const std::string& block, std::string_view field) {
  const std::string head = "    " + std::string(field) + " ";
  const size_t line = block.find(head);
  if (line == std::string::npos) return "(no line)";
  const size_t value = block.find_first_not_of(' ', line + head.size());
  return block.substr(value, block.find('\n', value) - value);
}

std::string Hex(platform::WindowHandle window) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(window.value));
  return text;
}

class RequestTraceTest : public SimulatorTest {
 protected:
  void SetUp() override {
    SimulatorTest::SetUp();
    simulator_->AddPatient({.id = "P1", .first_name = "Ada", .last_name = "Lovelace"});
    simulator_->SetObserver(std::make_shared<sim::RequestTrace>(
        std::make_shared<std::ostream>(&recorder_), platform_->AnsiCodePage()));
  }

  FlushRecorder recorder_;
};

TEST_F(RequestTraceTest, ARequestShowsEveryFieldAndItsViolationsAndTheReplyWhatItCarries) {
  SendAttach();
  ASSERT_TRUE(catcher_->WaitForCount(1));
  auto find = NewRecord<fp::kSize>();
  channel::WriteU32(find, channel::kSizeField, 580);
  codec_.WriteText(find, fp::kPatientId, "P1");
  codec_.WriteText(find, fp::kLastName, std::string(fp::kLastName.width, 'x'));  // no zero left
  Ask(cmd::kFindPatient, find);
  const platform::WindowHandle control = simulator_->control_window();
  simulator_->Stop();  // every block is written once the simulator's thread has ended

  const std::string reply_window = Hex(catcher_->window());
  const std::vector<std::string> blocks = Blocks(recorder_.text);
  ASSERT_EQ(blocks.size(), 4u) << recorder_.text;

  EXPECT_EQ(blocks[0], "attach broadcast, to be answered to window " + reply_window + "\n");
  EXPECT_THAT(blocks[1], StartsWith("reply 1002 Attach to window " + reply_window +
                                    ": 84 bytes, delivered\n"));
  EXPECT_EQ(FieldValue(blocks[1], "ControlWindow"), Hex(control));
  EXPECT_EQ(FieldValue(blocks[1], "VersionMajor"), "3");
  EXPECT_EQ(FieldValue(blocks[1], "Name"), "\"Orvanta\"");

  const std::string& request = blocks[2];
  EXPECT_THAT(request, StartsWith("request 1003 FindPatient from window " + reply_window +
                                  ": 584 bytes, find-patient record\n"));
  EXPECT_THAT(request, HasSubstr("VIOLATION: size field 580, expected 584 (the byte count)\n"));
  EXPECT_THAT(request, HasSubstr("VIOLATION: LastName: no terminating zero in its 256 bytes\n"));
  EXPECT_EQ(FieldValue(request, "Size"), "580");
  EXPECT_EQ(FieldValue(request, "PatientId"), "\"P1\"");
  EXPECT_EQ(FieldValue(request, "FirstName"), "\"\"") << "empty fields are shown too";
  EXPECT_EQ(FieldValue(request, "LastName"), "\"" + std::string(256, 'x') + "\"");
  EXPECT_EQ(FieldValue(request, "Found"), "0");

  const std::string& reply = blocks[3];
  EXPECT_THAT(reply, StartsWith("reply 1003 FindPatient to window " + reply_window +
                                ": 584 bytes, delivered\n"));
  EXPECT_EQ(FieldValue(reply, "FirstName"), "\"Ada\"");
  EXPECT_EQ(FieldValue(reply, "LastName"), "\"Lovelace\"");
  EXPECT_EQ(FieldValue(reply, "Found"), "1");
  EXPECT_THAT(reply, Not(HasSubstr("VIOLATION")));

  // Flushed after each block and nowhere inside one.
  ASSERT_EQ(recorder_.flushed_at.size(), blocks.size());
  for (const size_t at : recorder_.flushed_at) {
    EXPECT_EQ(recorder_.text.substr(at - 2, 2), "\n\n") << "flushed at " << at;
  }
}

class DescribeRecordTest : public ::testing::Test {
 protected:
  std::string Request(uint32_t code, std::span<const std::byte> bytes) {
    return sim::DescribeRequest(codec_, platform::WindowHandle(0x2A), code, bytes);
  }

  std::shared_ptr<platform::Platform> platform_ = MakeTestPlatform();
  channel::FieldCodec codec_{platform_->AnsiCodePage()};
};

TEST_F(DescribeRecordTest, RequestsOfTheWrongSizeOrCodeSayWhatDisagrees) {
  std::vector<std::byte> short_find(580);
  channel::WriteU32(short_find, channel::kSizeField, fp::kSize);
  const std::string cut = Request(cmd::kFindPatient, short_find);
  EXPECT_THAT(cut, HasSubstr("VIOLATION: byte count 580, expected 584 (the record of 1003)\n"));
  EXPECT_THAT(cut, HasSubstr("VIOLATION: size field 584, expected 580 (the byte count)\n"));
  EXPECT_EQ(FieldValue(cut, "Found"), "(missing: the request ends at byte 580)");
  EXPECT_EQ(FieldValue(cut, "PatientId"), "\"\"");

  std::vector<std::byte> unknown(40);
  channel::WriteU32(unknown, channel::kSizeField, 40);
  const std::string strange = Request(4242, unknown);
  EXPECT_THAT(strange,
              StartsWith("request 4242 (unknown code) from window 0x0000002A: 40 bytes\n"));
  EXPECT_THAT(strange, HasSubstr("VIOLATION: not a request code\n"));
  EXPECT_THAT(strange, HasSubstr("first bytes: 28 00 00 00 00"));
  EXPECT_THAT(strange, HasSubstr(" ...\n")) << "only the first 32 of 40 bytes";

  const std::string logout = Request(cmd::kUserLogout, {});
  EXPECT_EQ(logout, "request 1020 UserLogout from window 0x0000002A: 0 bytes\n")
      << "a well-formed request without a record: nothing more to show";
}

TEST_F(DescribeRecordTest, NumbersShowAsNumbersAndTextsAsText) {
  channel::Record<gn::kSize> generic{};
  channel::WriteU32(generic, channel::kSizeField, gn::kSize);
  channel::WriteI32(generic, gn::kSubCommand, gn::kWorklistQuery);
  channel::WriteI32(generic, gn::kNumber1, -5);
  channel::WriteF64(generic, gn::kDate, 45352.5);
  codec_.WriteText(generic, gn::kText[3], "Holm\tInés");
  const std::string block = Request(cmd::kGeneric, generic);
  EXPECT_THAT(block, StartsWith("request 1500 Generic (WorklistQuery) from"));
  EXPECT_THAT(block, Not(HasSubstr("VIOLATION")));
  EXPECT_EQ(FieldValue(block, "Number1"), "-5");
  EXPECT_EQ(FieldValue(block, "Date"), "45352.5");
  EXPECT_EQ(FieldValue(block, "Text3"), "\"Holm\\x09Inés\"") << "control characters escaped";
  EXPECT_EQ(FieldValue(block, "Text9"), "\"\"") << "every field of the record is listed";

  channel::WriteI32(generic, gn::kSubCommand, 77);
  EXPECT_THAT(Request(cmd::kGeneric, generic), StartsWith("request 1500 Generic (sub-command 77)"));
}

TEST_F(DescribeRecordTest, RepliesShowWhatTheyCarryAndWhetherTheyArrived) {
  // A generic answer cut after 20 bytes (--reply-size 20), to a window that is gone.
  std::vector<std::byte> cut(20);
  channel::WriteI32(cut, gn::kSubCommand, gn::kSessionInfo);
  channel::WriteI32(cut, gn::kNumber1, 11);
  const std::string block = sim::DescribeReply(codec_, platform::WindowHandle(7), cmd::kGeneric,
                                               cut, platform::SendStatus::kNoWindow);
  EXPECT_THAT(block, StartsWith("reply 1500 Generic (SessionInfo) to window 0x00000007: 20 bytes, "
                                "NOT DELIVERED: the reply window does not exist\n"));
  EXPECT_THAT(block, HasSubstr("(the generic record has 26236 bytes)"));
  EXPECT_EQ(FieldValue(block, "Number1"), "11");
  EXPECT_EQ(FieldValue(block, "Number0"), "(no line)") << "zero: left out";
  EXPECT_EQ(FieldValue(block, "Text0"), "(no line)") << "beyond the bytes: left out";
  EXPECT_THAT(block, HasSubstr("(16 more fields zero, empty or missing)"));

  const std::string strange = sim::DescribeReply(codec_, platform::WindowHandle(7), 4242, cut,
                                                 platform::SendStatus::kHandled);
  EXPECT_THAT(strange, HasSubstr("(the protocol has no reply of this code)"));
  EXPECT_THAT(strange, HasSubstr("first bytes: 00 00 00 00 03 00 00 00 00"));
}

}  // namespace
}  // namespace orvabridge::testing
