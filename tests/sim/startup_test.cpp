// What orva-sim does with its command line before it runs: its own version, the version it
// reports to hosts, the files it is given, and the exit code and message of every mistake.
#include "sim/startup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "scratch_folder.h"
#include "support/latin1_code_page.h"
#include "sim_test_support.h"

namespace orvabridge::testing {
namespace {

using ::testing::HasSubstr;
using Args = std::vector<std::string>;

struct Outcome {
  sim::Startup startup;
  std::string out, err;
};

// Not for "--trace -", whose trace would outlive the output stream.
Outcome Start(const Args& arguments, const std::string& environment = "") {
  std::ostringstream out, err;
  Latin1CodePage code_page;
  sim::Startup startup = sim::PrepareStartup(environment, arguments, out, err, code_page);
  return {std::move(startup), out.str(), err.str()};
}

TEST(SimStartupTest, VersionShowsTheProgramsOwnVersionAndEnds) {
  const Outcome version = Start({"--version"});
  EXPECT_EQ(version.startup.exit_code, sim::kExitNormal);
  EXPECT_EQ(version.out, "orva-sim " + std::string(sim::ProgramVersion()) + "\n");
  // Three numbers, as the project's version has them.
  EXPECT_NO_THROW(
      sim::ParseCommandLine({}, {"--report-version", std::string(sim::ProgramVersion())}))
      << sim::ProgramVersion();

  // Not the version the attach reply reports, which --report-version sets.
  const Outcome reported = Start({"--report-version", "9.8.7", "--version"});
  EXPECT_EQ(reported.out, version.out);
}

TEST(SimStartupTest, ReportVersionReachesTheAttachReply) {
  const Outcome outcome = Start({"--report-version", "4.2.17"});
  ASSERT_FALSE(outcome.startup.exit_code) << outcome.err;

  const auto platform = MakeTestPlatform();
  sim::Simulator simulator(platform, outcome.startup.line.options);
  simulator.Start();
  ReplyCatcher catcher(platform->Windows());
  const platform::MessageId attach = platform->Windows().RegisterMessage(sim::kAttachMessageName);
  // Not taken for hung by the simulator's answering send (see SendAttach).
  platform->Windows().PumpMessages();
  platform->Windows().Notify(simulator.main_window(), attach, catcher.window().value, 0);
  ASSERT_TRUE(catcher.WaitForCount(1));
  simulator.Stop();

  namespace ar = channel::attach_reply;
  const std::vector<std::byte>& reply = catcher.caught()[0].bytes;
  ASSERT_EQ(reply.size(), ar::kSize);
  EXPECT_EQ(channel::ReadI32(reply, ar::kVersionMajor), 4);
  EXPECT_EQ(channel::ReadI32(reply, ar::kVersionMinor), 2);
  EXPECT_EQ(channel::ReadI32(reply, ar::kVersionBuild), 17);
}

TEST(SimStartupTest, MistakesEndWithTheUsageExitCodeAndSayWhy) {
  ScratchFolder folder;
  const std::string broken = folder.Write("broken.jsonc", "{\n  \"users\": [}\n");
  const std::string good = folder.Write("good.jsonc", "{}");
  struct Case {
    Args arguments;
    std::string error;
  };
  const Case cases[] = {
      // The attach reply's version moved to --report-version; --version takes no value.
      {{"--version", "3.2.7"}, "unexpected argument '3.2.7'"},
      {{"--version=3.2.7"}, "--version: takes no value"},
      {{"--report-version", "3.2"}, "--report-version: '3.2' is not a version like 3.1.1199"},
      {{"--data"}, "--data: needs a value (FILE)"},
      {{"--data", folder.PathOf("missing.jsonc")}, "missing.jsonc: no such file"},
      {{"--data", broken}, "broken.jsonc: line 2, column 13: not valid JSON"},
      {{"--data", good, "--demo-data"}, "--data and --demo-data exclude each other"},
      {{"--trace", ""}, "--trace: needs a text that is not empty"},
      {{"--trace", folder.PathOf("no-such-folder/trace.txt")}, "--trace: cannot write to"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = Start(c.arguments);
    EXPECT_EQ(outcome.startup.exit_code, sim::kExitUsage) << c.error;
    EXPECT_THAT(outcome.err, HasSubstr(c.error));
    EXPECT_EQ(outcome.out, "") << c.error;
  }
  EXPECT_THAT(Start({}, "--data").err, HasSubstr("ORVA_SIM_ARGS: --data: needs a value"));
}

TEST(SimStartupTest, TheTraceGoesToItsFileOrToStandardOutput) {
  ScratchFolder folder;
  const std::string file = folder.Write("trace.txt", "an older trace\n");
  Outcome outcome = Start({"--trace", file});
  ASSERT_FALSE(outcome.startup.exit_code) << outcome.err;
  ASSERT_TRUE(outcome.startup.trace);
  *outcome.startup.trace << "block" << std::flush;
  EXPECT_EQ(folder.Read("trace.txt"), "block") << "a new run starts a new trace";

  auto out = std::make_shared<std::ostringstream>();
  std::ostringstream err;
  Latin1CodePage code_page;
  const sim::Startup to_stdout = sim::PrepareStartup("", {"--trace", "-"}, *out, err, code_page);
  ASSERT_TRUE(to_stdout.trace);
  *to_stdout.trace << "block";
  EXPECT_EQ(out->str(), "block");
}

TEST(SimStartupTest, DataFileTextsTheCodePageCannotHoldAreWarnedOfAndStillLoaded) {
  ScratchFolder folder;
  const std::string file = folder.Write("practice.jsonc", R"({
    "users": [{"id": 1, "login": "łukasz", "password": "пароль"}],
    "patients": [{"id": "P1", "first_name": "Zoë", "last_name": "山田山"}]
  })");
  const Outcome outcome = Start({"--data", file});
  ASSERT_FALSE(outcome.startup.exit_code) << outcome.err;
  ASSERT_TRUE(outcome.startup.data);
  EXPECT_THAT(outcome.err, HasSubstr("orva-sim: --data: warning: " + file +
                                     ": patients[0].last_name: 3 characters the ANSI code page "
                                     "28591 cannot hold (山田) reach a host as \"?\""));
  EXPECT_THAT(outcome.err, HasSubstr(": users[0].login: 1 character the ANSI code page 28591 "
                                     "cannot hold (ł) reaches a host as \"?\""));
  EXPECT_THAT(outcome.err, HasSubstr(": users[0].password: 6 characters the ANSI code page 28591 "
                                     "cannot hold reach"));
  EXPECT_THAT(outcome.err, ::testing::Not(HasSubstr("first_name"))) << "ë is in the code page";
  EXPECT_THAT(outcome.err, ::testing::Not(HasSubstr("пароль")));
}

TEST(SimStartupTest, AFolderGivenAsTheDataFileIsNamedAsOne) {
  ScratchFolder folder;
  const Outcome outcome = Start({"--data", folder.path().string()});
  EXPECT_EQ(outcome.startup.exit_code, sim::kExitUsage);
  EXPECT_THAT(outcome.err, HasSubstr("is a folder, not a data file"));
}

}  // namespace
}  // namespace orvabridge::testing
