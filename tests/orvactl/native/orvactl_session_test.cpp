// orvactl end to end on a fresh in-process desktop: the simulator installed, launched and seeded
// as the tool does it, and the calls going through the library.
#include "appl/appl_access.h"
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "calls/call.h"
#include "cli/cli.h"
#include "link/thread_state.h"
#include "platform/desk/desktop.h"
#include "workbench/desk_workbench.h"

namespace orvabridge::orvactl {
namespace {

class OrvactlSession : public ::testing::Test {
 protected:
  void SetUp() override { link::ResetThisThread(); }
  void TearDown() override { link::ResetThisThread(); }

  int Run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return RunOrvactl(args, out_, err_,
                      [] { return MakeDeskWorkbench(platform::desk::Desktop::Create()); });
  }

  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(OrvactlSession, OneShotCommandsReachTheSeededSimulator) {
  EXPECT_EQ(Run({"find-patient", "--pat-id", "1001"}), exit_status::kSuccess) << err_.str();
  EXPECT_NE(out_.str().find("FName        Ines"), std::string::npos) << out_.str();

  EXPECT_EQ(Run({"find-patient", "--pat-id", "9999"}), exit_status::kOtherResult);
  EXPECT_NE(out_.str().find("result       0"), std::string::npos) << out_.str();

  EXPECT_EQ(Run({"--logged-out", "find-patient", "--pat-id", "1001"}), exit_status::kOtherResult);
  EXPECT_NE(out_.str().find("-12  nobody is logged in"), std::string::npos) << out_.str();

  EXPECT_EQ(Run({"session", "--json"}), exit_status::kSuccess);
  EXPECT_NE(out_.str().find("\"UserLogin\":\"demo\""), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("\"IsLoggedIn\":true"), std::string::npos) << out_.str();

  EXPECT_EQ(Run({"find-patient", "--bogus"}), exit_status::kUsage);
  EXPECT_NE(err_.str().find("has no option --bogus"), std::string::npos) << err_.str();
  EXPECT_EQ(Run({}), exit_status::kUsage);
  EXPECT_EQ(Run({"--help"}), exit_status::kSuccess);
  EXPECT_NE(out_.str().find("in-process simulator"), std::string::npos);
}

// Every command's call binds only parameters its row declares, with the declared types: a slip
// in the table would surface here as a fault of orvactl rather than an answer of the library.
TEST_F(OrvactlSession, EveryCommandMakesItsCall) {
  auto workbench = MakeDeskWorkbench(platform::desk::Desktop::Create());
  workbench->StartApplication(true);
  const auto made = ApplAccess::Make(workbench->Platform());
  Appl& appl = *made;
  std::string name, version = "NoLaunch";
  ASSERT_EQ(appl.InitApplication(name, version), 1);

  // Other calls are answered or refused at once; these need the patient already open.
  const std::map<std::string_view, std::map<std::string, Value>> arguments = {
      {"init", {{"AppVersion", std::string("NoLaunch")}}},
      {"show-patient", {{"PatID", std::string("1001")}}},
      {"show-patient-ex", {{"PatID", std::string("1001")}}},
      {"show-object", {{"ObjectType", int32_t{otPatient}}, {"lDBID", int32_t{101}}}},
  };
  for (const CommandEntry& command : Commands()) {
    if (command.name == "logout") continue;  // the rest should find somebody logged in
    auto given = arguments.find(command.name);
    const CallOutcome outcome = Call(
        appl, command, given == arguments.end() ? std::map<std::string, Value>{} : given->second);
    if (outcome.failure) {
      EXPECT_NE(outcome.failure->source, "orvactl")
          << command.name << ": " << outcome.failure->description;
    }
  }
}

}  // namespace
}  // namespace orvabridge::orvactl
