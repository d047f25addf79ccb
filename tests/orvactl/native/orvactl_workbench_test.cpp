// The native workbench and the demo's use of the machine's settings, on a fresh desktop.
#include <gtest/gtest.h>

#include <regex>

#include <sstream>

#include "cli/cli.h"
#include "demo/machine_settings.h"
#include "link/thread_state.h"
#include "platform/desk/desktop.h"
#include "sim/demo_seed.h"
#include "sim/desk_install.h"
#include "workbench/desk_workbench.h"

namespace orvabridge::orvactl {
namespace {

constexpr const char* kKey = "Software\\Orvadent\\Orvanta\\Orvabridge";

class OrvactlWorkbench : public ::testing::Test {
 protected:
  void SetUp() override { link::ResetThisThread(); }
  void TearDown() override { link::ResetThisThread(); }

  std::shared_ptr<platform::desk::Desktop> desktop_ = platform::desk::Desktop::Create();
};

TEST_F(OrvactlWorkbench, InstallsTheClassLibraryAndTheSimulatorAsItsExecutable) {
  auto workbench = MakeDeskWorkbench(desktop_);
  workbench->StartApplication(true);
  ASSERT_EQ(sim::InstalledSimulators().size(), 1u);
  const auto simulator = sim::InstalledSimulators().front();
  ASSERT_TRUE(simulator->LoggedInUser().has_value());
  EXPECT_EQ(simulator->LoggedInUser()->login, "demo");
  EXPECT_TRUE(simulator->Patient("1001").has_value());

  // Seeding again leaves a simulator that was already seeded as it is now.
  simulator->SetLoggedIn(std::nullopt);
  workbench->SeedLaunchedApplication(true);
  EXPECT_FALSE(simulator->LoggedInUser().has_value());

  EXPECT_TRUE(workbench->LogInFromApplication("admin"));
  EXPECT_EQ(simulator->LoggedInUser()->login, "admin");

  workbench.reset();
  EXPECT_TRUE(sim::InstalledSimulators().empty());
  EXPECT_FALSE(simulator->running());
}

TEST_F(OrvactlWorkbench, MachineTextsTravelInTheAnsiCodePage) {
  desktop_->SetRegistryString(platform::RegistryRoot::kLocalMachine, kKey, "Name", "M\xFCller");
  EXPECT_EQ(ReadMachineText(*desktop_, kKey, "Name"), "M\xC3\xBCller");
  EXPECT_EQ(ReadMachineText(*desktop_, "Software\\Nowhere", "Name"), std::nullopt);
}

TEST_F(OrvactlWorkbench, TheSimulatorStartsWithTheSimulatorsOwnDemoDataSet) {
  auto workbench = MakeDeskWorkbench(desktop_);
  workbench->StartApplication(false);
  const auto simulator = sim::InstalledSimulators().front();
  const sim::SimModel seeded = simulator->Model();
  const sim::SimModel demo = sim::DemoModel();
  ASSERT_EQ(seeded.patients.size(), demo.patients.size());
  for (size_t i = 0; i < demo.patients.size(); ++i) {
    EXPECT_EQ(seeded.patients[i].id, demo.patients[i].id);
    EXPECT_EQ(seeded.patients[i].first_name, demo.patients[i].first_name);
  }
  EXPECT_EQ(seeded.images.size(), demo.images.size());
  EXPECT_FALSE(simulator->LoggedInUser().has_value());
}

TEST_F(OrvactlWorkbench, DemoShowsTheTextOutFileAndNeverWritesTheMachinesSettings) {
  // A live workstation: its own text-out setting is off, and must stay so.
  desktop_->SetRegistryString(platform::RegistryRoot::kLocalMachine, kKey, "OrvabridgeTXTOUT", "");
  std::ostringstream out, err;
  const std::vector<std::string> args{"demo"};
  auto desktop = desktop_;
  ASSERT_EQ(RunOrvactl(args, out, err, [desktop] { return MakeDeskWorkbench(desktop); }),
            exit_status::kSuccess)
      << err.str();
  const std::string shown = out.str();
  EXPECT_NE(shown.find("AppName=Orvanta"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Text-out file: C:\\Temp\\OrvactlTextOut\\DESKPC\\DESKPC.TXT"),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find("  | FindPatient ; 1001 ;  ; "), std::string::npos) << shown;
  EXPECT_NE(shown.find("  | ShowPatientEx ; 2002 ; 1"), std::string::npos) << shown;

  EXPECT_NE(shown.find("in an installation of the demo's own (held in memory, never written): "
                       "HKEY_LOCAL_MACHINE\\Software\\OrvactlDemo\\Orvanta\\Orvabridge"),
            std::string::npos)
      << shown;
  EXPECT_EQ(ReadMachineText(*desktop_, kKey, "OrvabridgeTXTOUT"), "");
  EXPECT_FALSE(
      desktop_->RegistryKeyExists(platform::RegistryRoot::kLocalMachine, "Software\\OrvactlDemo"));
  EXPECT_EQ(ReadMachineText(*desktop_, "Software\\Orvaclass", "VendorKey"), "Orvadent");
  // What the library wrote is on the desktop's file system, where the demo read it.
  EXPECT_TRUE(
      std::filesystem::exists(desktop_->HostPath("C:\\Temp\\OrvactlTextOut\\DESKPC\\DESKPC.TXT")));
}

TEST_F(OrvactlWorkbench, AnAutomationErrorIsPrintedWithNumberSourceAndDescription) {
  std::ostringstream out, err;
  const std::vector<std::string> args{"--json", "general-info", "--type", "lic-name"};
  auto desktop = desktop_;
  // A database that cannot be reached: the look-up fails with the run time's error.
  const auto unreachable_database = [desktop] {
    auto workbench = MakeDeskWorkbench(desktop);
    desktop->SetRegistryString(platform::RegistryRoot::kLocalMachine, "Software\\Orvaclass",
                               "ConnectionString", "Driver={No Such Driver}");
    desktop->SetDatabase(nullptr);
    return workbench;
  };
  EXPECT_EQ(RunOrvactl(args, out, err, unreachable_database), exit_status::kAutomationError);
  EXPECT_NE(out.str().find("\"success\":false,\"error\":{\"number\":"), std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find(",\"hex\":\"0x"), std::string::npos) << out.str();

  // Without --json the error is no result: it goes to standard error, its number also in hex
  // as Windows shows it.
  out.str("");
  err.str("");
  const std::vector<std::string> plain{"general-info", "--type", "lic-name"};
  EXPECT_EQ(RunOrvactl(plain, out, err, unreachable_database), exit_status::kAutomationError);
  EXPECT_TRUE(out.str().empty()) << out.str();
  const std::regex line(
      "orvactl: GetGeneralInfo: automation error -?[0-9]+ \\(0x[0-9A-F]{8}\\) from [^:]+: .+\n");
  EXPECT_TRUE(std::regex_match(err.str(), line)) << err.str();
}

}  // namespace
}  // namespace orvabridge::orvactl
