// `orvactl shell` on the in-process desktop: many lines through one Appl object and one simulator,
// so that what one line does, the next one sees.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "link/thread_state.h"
#include "platform/desk/desktop.h"
#include "workbench/desk_workbench.h"

namespace orvabridge::orvactl {
namespace {

class OrvactlShell : public ::testing::Test {
 protected:
  void SetUp() override { link::ResetThisThread(); }
  void TearDown() override { link::ResetThisThread(); }

  int Shell(const std::string& input, std::vector<std::string> args = {"shell"}) {
    std::istringstream lines(input);
    out_.str("");
    err_.str("");
    prompts_ = 0;
    return RunOrvactl(
        args, out_, err_, [] { return MakeDeskWorkbench(platform::desk::Desktop::Create()); },
        false,
        [&](std::string_view) -> std::optional<std::string> {
          ++prompts_;
          std::string line;
          if (!std::getline(lines, line)) return std::nullopt;
          return line;
        });
  }

  std::ostringstream out_;
  std::ostringstream err_;
  int prompts_ = 0;
};

TEST_F(OrvactlShell, APatientAddedOnOneLineIsFoundOnTheNext) {
  const int status = Shell(
      "# a practice's new patient\n"
      "add-patient --pat-id 2001 --first-name Zoë --last-name \"Ørsted Holm\"\n"
      "\n"
      "find-patient --pat-id 2001\n");
  EXPECT_EQ(status, exit_status::kSuccess) << err_.str();
  EXPECT_NE(out_.str().find("AddPatient\n  result"), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("FindPatient\n  result       1  patient found"), std::string::npos)
      << "a single command would start a fresh simulator and find nothing:\n"
      << out_.str();
  EXPECT_NE(out_.str().find("LName        Ørsted Holm"), std::string::npos) << out_.str();
  EXPECT_EQ(prompts_, 5) << "four lines, then the end of the input";
}

TEST_F(OrvactlShell, AFailingLineIsReportedWithItsNumberAndTheWorstResultIsTheExitStatus) {
  const std::string input =
      "find-patient --pat-id 1001\n"
      "fnd-patient --pat-id 1001\n"
      "find-patient --pat-id 9999\n"
      "session\n";
  EXPECT_EQ(Shell(input), exit_status::kUsage);
  EXPECT_NE(err_.str().find("orvactl: line 2: unknown command \"fnd-patient\""), std::string::npos)
      << err_.str();
  EXPECT_NE(out_.str().find("GetSessionInfo"), std::string::npos) << "the shell went on";

  EXPECT_EQ(Shell(input, {"shell", "--stop-on-error"}), exit_status::kUsage);
  EXPECT_EQ(out_.str().find("GetSessionInfo"), std::string::npos) << out_.str();

  EXPECT_EQ(Shell("find-patient --pat-id 9999\nexit\nsession\n"), exit_status::kOtherResult);
  EXPECT_EQ(out_.str().find("GetSessionInfo"), std::string::npos) << "exit ends the shell";
  EXPECT_EQ(Shell("demo\n"), exit_status::kUsage);
  EXPECT_NE(err_.str().find("demo does not run inside the shell"), std::string::npos);
}

TEST_F(OrvactlShell, UnderJsonEveryLineIsOneJsonObject) {
  EXPECT_EQ(Shell("find-patient --pat-id 1001\nbogus\nlogout\n", {"--json", "shell"}),
            exit_status::kUsage);
  std::istringstream lines(out_.str());
  std::vector<std::string> objects;
  for (std::string line; std::getline(lines, line);) objects.push_back(line);
  ASSERT_EQ(objects.size(), 3u) << out_.str();
  EXPECT_EQ(objects[0].rfind("{\"command\":\"find-patient\"", 0), 0u) << objects[0];
  EXPECT_EQ(objects[1].rfind("{\"error\":{\"kind\":\"usage\"", 0), 0u) << objects[1];
  EXPECT_EQ(objects[2].rfind("{\"command\":\"logout\"", 0), 0u) << objects[2];
  EXPECT_TRUE(err_.str().empty()) << err_.str();
}

}  // namespace
}  // namespace orvabridge::orvactl
