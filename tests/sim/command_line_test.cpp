// orva-sim's command line: the launch switches a host passes, the options from ORVA_SIM_ARGS and
// from the command line, and what they mean for the simulator.
#include "sim/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channel/records.h"

namespace orvabridge::sim {
namespace {

using ::testing::HasSubstr;
using Args = std::vector<std::string>;
namespace cmd = channel::command;

SimCommandLine Parse(const Args& command_line, const Args& environment = {}) {
  return ParseCommandLine(environment, command_line);
}

std::string ErrorOf(const Args& command_line, const Args& environment = {}) {
  try {
    Parse(command_line, environment);
  } catch (const CommandLineError& error) {
    return error.what();
  }
  return "(accepted)";
}

TEST(SimCommandLineTest, OptionsSetTheIdentityRunAndFaultSwitches) {
  SimCommandLine line =
      Parse({"--app-key", "Orvaview", "--title=Orvaview - Room 2", "--class", "ThunderMDIForm",
             "--report-version", "4.0.12", "--logged-in", "demo", "--exit-after-ms", "2500"});
  EXPECT_EQ(line.logged_in, "demo");
  EXPECT_EQ(line.exit_after, std::chrono::milliseconds(2500));
  EXPECT_EQ(line.options.application_key, "Orvaview");
  EXPECT_EQ(line.options.window_title, "Orvaview - Room 2");
  EXPECT_EQ(line.options.main_window_class, "ThunderMDIForm");
  EXPECT_EQ(line.options.version_major, 4);
  EXPECT_EQ(line.options.version_build, 12);

  line = Parse({"--no-reply", "--reply-code", "1013", "--reply-size=100", "--destroy-on-request",
                "--ignore-attach", "--reply-from-pump", "--only-for", "1016"});
  EXPECT_TRUE(line.faults.no_reply);
  EXPECT_EQ(line.faults.reply_code, 1013u);
  EXPECT_EQ(line.faults.reply_size, 100u);
  EXPECT_TRUE(line.faults.destroy_control_window_on_request);
  EXPECT_TRUE(line.faults.ignore_attach);
  EXPECT_EQ(line.faults.timing, ReplyTiming::kFromPump);
  EXPECT_EQ(line.faults.only_for_command, 1016u);
}

TEST(SimCommandLineTest, ADelayLimitedToOneCodeDelaysOnlyThatAnswer) {
  const SimCommandLine line = Parse({"--reply-delay-ms", "1500", "--only-for", "1016"});
  const Reply reply{cmd::kCurrentPatient, std::vector<std::byte>(8)};

  const ReplyPlan delayed = PlanReply(line.faults, cmd::kCurrentPatient, reply);
  ASSERT_TRUE(delayed.reply.has_value());
  EXPECT_TRUE(delayed.from_pump);
  EXPECT_EQ(delayed.delay, std::chrono::milliseconds(1500));

  EXPECT_FALSE(PlanReply(line.faults, cmd::kAttach, reply).from_pump);
}

TEST(SimCommandLineTest, TheEnvironmentComesFirstAndTheCommandLineWins) {
  const SimCommandLine line =
      Parse({"/NOFP", "--reply-delay-ms", "5"}, {"--reply-delay-ms", "100", "--demo-data"});
  EXPECT_EQ(line.faults.reply_delay, std::chrono::milliseconds(5));
  EXPECT_TRUE(line.demo_data);
  EXPECT_EQ(line.launch_switches, (Args{"/NOFP"}));
  EXPECT_EQ(line.options.launch_arguments, "/NOFP --reply-delay-ms 5")
      << "the application's own command line, without the environment's part";
}

TEST(SimCommandLineTest, MistakesAreReportedWithTheArgumentAndItsOrigin) {
  EXPECT_THAT(ErrorOf({"--no-such-option"}), HasSubstr("unknown option '--no-such-option'"));
  EXPECT_THAT(ErrorOf({"--demo-dat"}),
              HasSubstr("unknown option '--demo-dat'; did you mean --demo-data?"));
  EXPECT_THAT(ErrorOf({"NOFP"}), HasSubstr("unexpected argument 'NOFP'"));
  EXPECT_THAT(ErrorOf({"/"}), HasSubstr("unexpected argument '/'"));
  EXPECT_THAT(ErrorOf({"--reply-code"}), HasSubstr("--reply-code: needs a value (N)"));
  EXPECT_THAT(ErrorOf({"--no-reply=1"}), HasSubstr("--no-reply: takes no value"));
  EXPECT_THAT(ErrorOf({"--logged-in="}), HasSubstr("--logged-in: needs a text"));
}

TEST(SimCommandLineTest, NumbersAndVersionsMustBeWholeAndInRange) {
  for (const char* bad : {"", "-1", "12x", "4294967296"}) {
    EXPECT_THAT(ErrorOf({"--reply-code", bad}), HasSubstr("--reply-code:")) << bad;
  }
  EXPECT_EQ(Parse({"--reply-code", "4294967295"}).faults.reply_code, 4294967295u);
  EXPECT_THAT(ErrorOf({"--exit-after-ms", "86400001"}), HasSubstr("larger than 86400000"));
  EXPECT_THAT(ErrorOf({"--reply-size", "999999999"}), HasSubstr("--reply-size:"));

  for (const char* bad : {"3.1", "3.1.1199.5", "3..1199", "3.1.2147483648"}) {
    EXPECT_THAT(ErrorOf({"--report-version", bad}), HasSubstr("--report-version:")) << bad;
  }

  EXPECT_THAT(ErrorOf({"/NOFP", "/NOLOGIN"}, {"--reply-delay-ms", "soon"}),
              HasSubstr("ORVA_SIM_ARGS: --reply-delay-ms: 'soon' is not a whole number"));
}

TEST(SimCommandLineTest, EnvironmentTextSplitsAtBlanksAndKeepsQuotedBlanks) {
  EXPECT_EQ(SplitArguments("  --demo-data\t--logged-in  demo \r\n"),
            (Args{"--demo-data", "--logged-in", "demo"}));
  EXPECT_EQ(SplitArguments("--title \"Orvanta - Room 2\" --name=\"A B\""),
            (Args{"--title", "Orvanta - Room 2", "--name=A B"}));
  EXPECT_EQ(SplitArguments("--name \"\""), (Args{"--name", ""}));
  EXPECT_THROW(SplitArguments("--title \"open"), CommandLineError);
}

}  // namespace
}  // namespace orvabridge::sim
