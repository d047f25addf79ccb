// orvactl's command line as a user meets it, end to end on a fresh in-process desktop: the
// nearest command for a slip, required against empty arguments, "--", --version, errors as JSON,
// texts cut at their fields, a failed write to standard output, stub mode.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <streambuf>

#include "channel/records.h"
#include "cli/cli.h"
#include "link/thread_state.h"
#include "platform/desk/desktop.h"
#include "sim/desk_install.h"
#include "workbench/desk_workbench.h"

namespace orvabridge::orvactl {
namespace {

// Standard output on a full disk: every write fails.
class FullDisk final : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

// The desk workbench, keeping hold of the simulator it starts, so that what the simulator
// received can be read after orvactl has shut it down.
class KeepingWorkbench final : public Workbench {
 public:
  KeepingWorkbench(std::shared_ptr<platform::desk::Desktop> desktop,
                   std::shared_ptr<sim::Simulator>& kept)
      : inner_(MakeDeskWorkbench(std::move(desktop))), kept_(kept) {}
  std::shared_ptr<platform::Platform> Platform() override { return inner_->Platform(); }
  platform::MachineSurvey& Survey() override { return inner_->Survey(); }
  std::string Description() const override { return inner_->Description(); }
  bool Simulated() const override { return true; }
  void StartApplication(bool logged_in) override {
    inner_->StartApplication(logged_in);
    kept_ = sim::InstalledSimulators().back();
  }
  void SeedLaunchedApplication(bool logged_in) override {
    inner_->SeedLaunchedApplication(logged_in);
  }
  bool LogInFromApplication(const std::string& login) override {
    return inner_->LogInFromApplication(login);
  }
  std::filesystem::path HostPath(std::string_view path) override { return inner_->HostPath(path); }

 private:
  std::unique_ptr<Workbench> inner_;
  std::shared_ptr<sim::Simulator>& kept_;
};

class OrvactlCli : public ::testing::Test {
 protected:
  void SetUp() override { link::ResetThisThread(); }
  void TearDown() override { link::ResetThisThread(); }

  int Run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    link::ResetThisThread();
    auto desktop = desktop_;
    return RunOrvactl(args, out_, err_, [desktop] { return MakeDeskWorkbench(desktop); });
  }

  std::shared_ptr<platform::desk::Desktop> desktop_ = platform::desk::Desktop::Create();
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(OrvactlCli, ASlipOfTheKeyboardGetsTheNearestCommandOrOption) {
  EXPECT_EQ(Run({"fnd-patient", "--pat-id", "1001"}), exit_status::kUsage);
  EXPECT_EQ(err_.str(),
            "orvactl: unknown command \"fnd-patient\" (orvactl --help lists them); did you mean "
            "find-patient?\n");
  EXPECT_TRUE(out_.str().empty());
  EXPECT_EQ(Run({"find-patient", "--pat-di", "1001"}), exit_status::kUsage);
  EXPECT_NE(err_.str().find("has no option --pat-di"), std::string::npos) << err_.str();
  EXPECT_NE(err_.str().find("did you mean --pat-id?"), std::string::npos) << err_.str();
  // The option of another command, shortened; a switch with one dash.
  EXPECT_EQ(Run({"find-images", "--pat-id", "1001"}), exit_status::kUsage);
  EXPECT_NE(err_.str().find("did you mean --patient-id?"), std::string::npos) << err_.str();
  EXPECT_EQ(Run({"-v"}), exit_status::kUsage);
  EXPECT_EQ(err_.str(),
            "orvactl: unknown option -v (orvactl --help lists them); did you mean --version?\n");
}

TEST_F(OrvactlCli, HelpForHelpIsTheOverviewAndTheDemoHasNoJsonForm) {
  EXPECT_EQ(Run({"help", "help"}), exit_status::kSuccess) << err_.str();
  EXPECT_EQ(out_.str().rfind("orvactl - drive", 0), 0u) << out_.str();
  EXPECT_NE(out_.str().find("-3 attach message not registered (init: no imaging application "
                            "answered)"),
            std::string::npos);
  EXPECT_EQ(Run({"help", "shell"}), exit_status::kSuccess);
  EXPECT_NE(out_.str().find("--stop-on-error"), std::string::npos) << out_.str();
  EXPECT_EQ(Run({"--json", "demo"}), exit_status::kUsage);
  EXPECT_EQ(out_.str().rfind("{\"error\":{\"kind\":\"usage\",\"message\":\"demo is a guided", 0),
            0u)
      << out_.str();
}

TEST_F(OrvactlCli, WorkstationShowsTheNamesItRead) {
  EXPECT_EQ(Run({"workstation"}), exit_status::kSuccess) << err_.str();
  EXPECT_NE(out_.str().find("workstation      DESKPC"), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("computer "), std::string::npos) << out_.str();
}

TEST_F(OrvactlCli, UnderJsonAnErrorIsAJsonObjectOnStandardOutput) {
  EXPECT_EQ(Run({"--json", "fnd-patient"}), exit_status::kUsage);
  EXPECT_EQ(out_.str(),
            "{\"error\":{\"kind\":\"usage\",\"message\":\"unknown command \\\"fnd-patient\\\" "
            "(orvactl --help lists them); did you mean find-patient?\",\"suggestion\":"
            "\"find-patient\"}}\n");
  EXPECT_TRUE(err_.str().empty());
  EXPECT_EQ(Run({"find-patient", "--json"}), exit_status::kUsage);
  EXPECT_EQ(out_.str().rfind("{\"error\":{\"kind\":\"usage\",\"message\":\"find-patient needs", 0),
            0u)
      << out_.str();
  EXPECT_EQ(Run({"--json"}), exit_status::kUsage);
  EXPECT_EQ(out_.str(), "{\"error\":{\"kind\":\"usage\",\"message\":\"no command given\"}}\n");
}

TEST_F(OrvactlCli, ARequiredArgumentLeftOutIsAUsageErrorButAnEmptyOneReachesTheMember) {
  EXPECT_EQ(Run({"find-patient"}), exit_status::kUsage);
  EXPECT_NE(err_.str().find("find-patient needs --pat-id"), std::string::npos) << err_.str();
  EXPECT_TRUE(sim::InstalledSimulators().empty()) << "nothing was started for a wrong command line";

  EXPECT_EQ(Run({"find-patient", "--pat-id", ""}), exit_status::kOtherResult) << err_.str();
  EXPECT_NE(out_.str().find("result       -5  patient id empty"), std::string::npos) << out_.str();
}

TEST_F(OrvactlCli, TheWordsAfterTheEndOfOptionsAreValues) {
  EXPECT_EQ(Run({"find-patient", "--", "1001"}), exit_status::kSuccess) << err_.str();
  EXPECT_NE(out_.str().find("FName        Ines"), std::string::npos) << out_.str();
  EXPECT_EQ(Run({"--json", "find-patient", "--", "--help"}), exit_status::kOtherResult);
  EXPECT_NE(out_.str().find("\"result\":0"), std::string::npos) << out_.str();
}

TEST_F(OrvactlCli, VersionAndHelpForACommand) {
  EXPECT_EQ(Run({"--version"}), exit_status::kSuccess);
  EXPECT_TRUE(std::regex_match(out_.str(), std::regex("orvactl [0-9]+\\.[0-9]+\\.[0-9]+\n")))
      << out_.str();
  EXPECT_EQ(Run({"--json", "--version"}), exit_status::kSuccess);
  EXPECT_EQ(out_.str(), "{\"version\":\"" + OrvactlVersion() + "\"}\n");

  EXPECT_EQ(Run({"find-patient", "--help"}), exit_status::kSuccess);
  const std::string own_help = out_.str();
  EXPECT_EQ(Run({"help", "find-patient"}), exit_status::kSuccess);
  EXPECT_EQ(out_.str(), own_help);
  EXPECT_NE(own_help.find("orvactl [--json] find-patient --pat-id TEXT\n"), std::string::npos)
      << "a required option is shown without brackets:\n"
      << own_help;

  EXPECT_EQ(Run({"help", "doctor"}), exit_status::kSuccess);
  EXPECT_NE(out_.str().find("doctor only looks"), std::string::npos) << out_.str();
  EXPECT_EQ(Run({"help", "demo"}), exit_status::kSuccess);
  EXPECT_NE(out_.str().find("the registry is never written"), std::string::npos) << out_.str();
  EXPECT_EQ(Run({"help", "fnd-patient"}), exit_status::kUsage);
  EXPECT_NE(err_.str().find("did you mean find-patient?"), std::string::npos);
}

TEST_F(OrvactlCli, ATextLongerThanItsFieldIsReportedAsCutAndArrivesCut) {
  const std::string id(70, '4');
  std::shared_ptr<sim::Simulator> simulator;
  auto desktop = desktop_;
  const std::vector<std::string> args{"find-patient", "--pat-id", id};
  EXPECT_EQ(RunOrvactl(args, out_, err_,
                       [&] { return std::make_unique<KeepingWorkbench>(desktop, simulator); }),
            exit_status::kOtherResult);
  EXPECT_NE(err_.str().find("orvactl: warning: --pat-id is cut: 70 bytes in the ANSI code page, "
                            "its field holds 64; the imaging application receives the first 64"),
            std::string::npos)
      << err_.str();
  // What the simulated application received: the first 64 characters, without a terminator.
  ASSERT_NE(simulator, nullptr);
  const auto requests = simulator->Requests();
  ASSERT_FALSE(requests.empty());
  const auto& record = requests.back().bytes;
  const auto field = channel::find_patient::kPatientId;
  ASSERT_GE(record.size(), field.end());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(record.data()) + field.offset, field.width),
            std::string(64, '4'));

  EXPECT_EQ(Run({"--json", "find-patient", "--pat-id", id}), exit_status::kOtherResult);
  EXPECT_NE(out_.str().find(",\"warnings\":[\"--pat-id is cut: 70 bytes"), std::string::npos)
      << out_.str();
  EXPECT_TRUE(err_.str().empty()) << err_.str();
  EXPECT_EQ(Run({"find-patient", "--pat-id", std::string(64, '4')}), exit_status::kOtherResult);
  EXPECT_TRUE(err_.str().empty()) << "a text that fills its field exactly is not cut";
}

TEST_F(OrvactlCli, CharactersTheCodePageCannotHoldAreWarnedOfNamingOptionCharactersAndCodePage) {
  EXPECT_EQ(
      Run({"add-patient", "--pat-id", "7001", "--first-name", "山田", "--last-name", "Ørsted😀"}),
      exit_status::kSuccess);
  EXPECT_NE(err_.str().find("orvactl: warning: --first-name: 2 characters the ANSI code page 1252 "
                            "cannot hold (山田) arrive as \"?\""),
            std::string::npos)
      << err_.str();
  EXPECT_NE(err_.str().find("--last-name: 1 character the ANSI code page 1252 cannot hold (😀) "
                            "arrives as \"?\""),
            std::string::npos)
      << "Ø is in the code page; the emoji is not: " << err_.str();

  // Replaced and cut: both are said. A password's characters are never shown.
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += "山";
  EXPECT_EQ(Run({"--json", "find-patient", "--pat-id", hundred}), exit_status::kOtherResult);
  EXPECT_NE(out_.str().find("\"--pat-id: 100 characters the ANSI code page 1252 cannot hold (山)"),
            std::string::npos)
      << out_.str();
  EXPECT_NE(out_.str().find("--pat-id is cut: 100 bytes"), std::string::npos) << out_.str();
  Run({"login", "--login", "doc", "--password", "пароль"});
  EXPECT_NE(err_.str().find("--password: 6 characters the ANSI code page 1252 cannot hold arrive"),
            std::string::npos)
      << err_.str();
  EXPECT_EQ(err_.str().find("пароль"), std::string::npos) << err_.str();
}

TEST_F(OrvactlCli, AFailedWriteToStandardOutputIsAFailure) {
  FullDisk full;
  std::ostream out(&full);
  std::ostringstream err;
  auto desktop = desktop_;
  const std::vector<std::string> args{"find-patient", "--pat-id", "1001"};
  EXPECT_EQ(RunOrvactl(args, out, err, [desktop] { return MakeDeskWorkbench(desktop); }),
            exit_status::kOutputFailed);
  EXPECT_EQ(err.str(), "orvactl: cannot write to standard output\n");
  const std::vector<std::string> version{"--version"};
  EXPECT_EQ(RunOrvactl(version, out, err, [desktop] { return MakeDeskWorkbench(desktop); }),
            exit_status::kOutputFailed);
}

TEST_F(OrvactlCli, StubModeIsReportedAsStubModeNotAsAttached) {
  // An installation that names no program, and none running: InitApplication answers for the
  // stub.
  const auto no_program = [desktop = desktop_] {
    auto workbench = MakeDeskWorkbench(desktop);
    desktop->SetRegistryString(platform::RegistryRoot::kLocalMachine, "Software\\Orvaclass",
                               "ExecutablePath", "");
    return workbench;
  };
  std::vector<std::string> args{"init"};
  EXPECT_EQ(RunOrvactl(args, out_, err_, no_program), exit_status::kOtherResult) << err_.str();
  EXPECT_NE(out_.str().find("result       1  stub mode: no imaging application is installed"),
            std::string::npos)
      << out_.str();
  EXPECT_EQ(out_.str().find("attached"), std::string::npos) << out_.str();

  out_.str("");
  link::ResetThisThread();
  args = {"--json", "init"};
  EXPECT_EQ(RunOrvactl(args, out_, err_, no_program), exit_status::kOtherResult);
  EXPECT_NE(out_.str().find("\"stub_mode\":true"), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("\"AppName\":\"OrvaStub\""), std::string::npos) << out_.str();
}

}  // namespace
}  // namespace orvabridge::orvactl
