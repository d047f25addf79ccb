// The fixture of the tests that run the library against orva-sim.exe in processes of their own:
// the class library names the simulator as the imaging application's executable, and every
// simulator a test starts is gone when it ends.
//
// The library launches the application with nothing but its launch switches, so the simulator's
// options come from ORVA_SIM_ARGS, which every program these tests start inherits.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>

#include "link/appl_core.h"
#include "link/thread_state.h"
#include "support/link_fixture.h"
#include "win32/sim_process.h"

namespace orvabridge::testing {

struct PatientFields {
  std::string id, first, last, birthdate, sex, address, tel_one, tel_two, mobile, email, comments;

  int32_t ReadCurrent(Appl& appl) {
    return appl.GetCurrentPatient(id, first, last, birthdate, sex, address, tel_one, tel_two,
                                  mobile, email, comments);
  }
};

class CrossProcessTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    win32_testing::KillStraySimulators(windows());
    Installation installation;
    installation.executable_path = win32_testing::SimulatorPath();
    InstallClassLibrary(*platform_, installation);
  }

  void TearDown() override {
    simulators_.clear();  // kills them
    win32_testing::KillStraySimulators(windows());
    // Later tests that do not install their own class library must not launch anything.
    InstallClassLibrary(*platform_, Installation{});
    for (const auto& box : boxes_) ADD_FAILURE() << "message box: " << box.text;
    LinkTest::TearDown();
  }

  platform::WindowSystem& windows() { return platform_->Windows(); }

  // Starts orva-sim the way any program starts another and waits until its windows exist.
  win32_testing::SimProcess& StartSimulator(
      const std::string& arguments, const std::string& program = win32_testing::SimulatorPath()) {
    const std::string command = "\"" + program + "\" " + arguments;
    win32_testing::SimProcess& process = simulators_.emplace_back(
        platform_->System().StartProcess(command, platform::kSwShowMinNoActive));
    EXPECT_TRUE(process.valid());
    EXPECT_TRUE(win32_testing::WaitForMainWindow(windows(), process.id()))
        << "orva-sim " << arguments << " made no main window";
    return process;
  }

  // Attaches to `process` with the real search times: across processes an answer comes fast,
  // but not within the milliseconds of the scaled-down tests.
  std::unique_ptr<Appl> AttachTo(const win32_testing::SimProcess& process) {
    auto appl = MakeAppl(1.0);
    std::string name, version;
    EXPECT_EQ(appl->InitApplication(name, version), 1);
    EXPECT_EQ(win32_testing::ProcessOfWindow(link::ThisThread().target_window), process.id())
        << "attached to another application than the one started";
    return appl;
  }

  std::deque<win32_testing::SimProcess> simulators_;  // a deque keeps references valid as it grows
};

}  // namespace orvabridge::testing
