// The library against orva-sim.exe in a process of its own: launching and attaching, requests
// across processes, an application that dies while the library waits, a reply that comes too
// late; and the simulator program's own start and end.
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>

#include "sim/command_line.h"
#include "sim/demo_seed.h"
#include "win32/cross_process_fixture.h"

namespace orvabridge::testing {
namespace {

using platform::WindowHandle;
using platform::WindowMessage;
using win32_testing::ScopedEnvironment;
using win32_testing::SimProcess;
namespace demo = sim::demo;

TEST_F(CrossProcessTest, InitApplicationLaunchesTheSimulatorMinimisedAndAttaches) {
  const ScopedEnvironment arguments(std::string(sim::kArgumentsVariable),
                                    "--demo-data --logged-in demo --report-version 3.2.7");
  auto appl = MakeAppl(1.0);  // starting a process takes real time
  std::string name, version;
  const int32_t result = appl->InitApplication(name, version);

  const WindowHandle control = link::ThisThread().target_window;
  const uint32_t launched = win32_testing::ProcessOfWindow(control);
  if (launched != 0) simulators_.emplace_back(launched);
  ASSERT_EQ(result, 1);
  EXPECT_EQ(name, "Orvanta");
  EXPECT_EQ(version, "3.2.7") << "the launched simulator read ORVA_SIM_ARGS";
  EXPECT_TRUE(win32_testing::IsSimulatorProcess(launched));
  EXPECT_EQ(win32_testing::SimulatorMainWindows(windows()).size(), 1u) << "launched once";
  EXPECT_TRUE(windows().IsIconic(windows().Parent(control))) << "launched minimised";

  std::string id = demo::kSecondPatient, first, last;
  EXPECT_EQ(appl->FindPatient(id, first, last), 1);
  EXPECT_EQ(first, demo::kSecondFirstName);
}

TEST_F(CrossProcessTest, ARunningSimulatorIsFoundAndAnswersRequests) {
  const SimProcess& simulator = StartSimulator("--demo-data --logged-in demo");
  auto appl = AttachTo(simulator);

  std::string id = demo::kSecondPatient, first, last;
  EXPECT_EQ(appl->FindPatient(id, first, last), 1);
  EXPECT_EQ(first, demo::kSecondFirstName);
  EXPECT_EQ(last, demo::kSecondLastName);
  id = "9999";
  EXPECT_EQ(appl->FindPatient(id, first, last), 0);

  PatientFields current;
  EXPECT_EQ(current.ReadCurrent(*appl), 1);
  EXPECT_EQ(current.id, demo::kOpenPatient);
  EXPECT_EQ(win32_testing::SimulatorMainWindows(windows()).size(), 1u) << "nothing launched";
}

// The other tests may run against another build's simulator (ORVA_TEST_SIMULATOR); this one takes
// the simulator of this very build, so that a host and an application of the same bitness meet.
TEST_F(CrossProcessTest, TheSimulatorOfThisBuildAnswersToo) {
  const SimProcess& simulator =
      StartSimulator("--demo-data --logged-in demo", win32_testing::OwnSimulatorPath());
  auto appl = AttachTo(simulator);
  std::string id = demo::kSecondPatient, first, last;
  EXPECT_EQ(appl->FindPatient(id, first, last), 1);
  EXPECT_EQ(first, demo::kSecondFirstName);
}

// An application busy loading a series looks at its messages only now and then. Its title is read
// without asking it, so it is told on the first pass and answers within that pass's wait: it is
// attached, and the library never starts a second copy of it (the class library names the
// simulator as the executable to start).
TEST_F(CrossProcessTest, ABusyApplicationIsAttachedOnTheFirstPassAndNeverLaunchedAgain) {
  // Far beyond the 300 ms a title read used to wait, within the 2 s the search waits for replies.
  const SimProcess& busy = StartSimulator("--demo-data --look-every-ms 1200");
  auto appl = MakeAppl(1.0);
  std::string name, version;
  EXPECT_EQ(appl->InitApplication(name, version), 1);
  EXPECT_EQ(name, "Orvanta");
  EXPECT_EQ(win32_testing::ProcessOfWindow(link::ThisThread().target_window), busy.id());
  EXPECT_EQ(win32_testing::SimulatorMainWindows(windows()).size(), 1u)
      << "a second copy of the imaging application was started";
}

TEST_F(CrossProcessTest, ASimulatorKilledWhileTheLibraryWaitsGivesNoTargetWindow) {
  SimProcess& simulator = StartSimulator("--demo-data --no-reply --only-for 1016");
  auto appl = AttachTo(simulator);

  // The kill runs inside the library's wait: nothing pumps this thread's posted messages between
  // here and the wait after the request's send.
  constexpr platform::MessageId kKill = platform::kWmUser + 0x77;
  bool killed = false;
  win32_testing::ScopedWindow killer(windows(), win32_testing::MessageOnlyBlueprint(),
                                     [&](const WindowMessage& message) -> std::optional<intptr_t> {
                                       if (message.id != kKill) return std::nullopt;
                                       simulator.Kill();
                                       killed = true;
                                       return 0;
                                     });
  windows().Post(killer.get(), kKill, 0, 0);

  PatientFields current;
  current.id = "unchanged";
  EXPECT_EQ(current.ReadCurrent(*appl), result::kNoTargetWindow);
  EXPECT_TRUE(killed);
  EXPECT_EQ(current.id, "unchanged");
}

TEST_F(CrossProcessTest, AReplyAfterTheTimeOutIsATimeOutAndIsStillUnpackedWhenItComes) {
  const SimProcess& simulator = StartSimulator("--demo-data --reply-delay-ms 1000 --only-for 1016");
  auto attached = AttachTo(simulator);
  // Shares the thread's target window; waits 10 ms where the real wait is 10 s.
  auto hurried = MakeAppl(0.001);

  PatientFields current;
  EXPECT_EQ(current.ReadCurrent(*hurried), result::kTimeout);
  EXPECT_EQ(current.id, "");

  ASSERT_TRUE(win32_testing::PumpUntil(windows(), [&] {
    return CoreOf(*hurried).holding().reply_code == channel::command::kCurrentPatient;
  }));
  EXPECT_EQ(CoreOf(*hurried).holding().Last<channel::CurrentPatientReply>().id, demo::kOpenPatient);
}

// The program itself: it ends when its window is closed or its time is up, and refuses a
// command line it does not understand without showing anything.
TEST_F(CrossProcessTest, TheSimulatorEndsWhenItsWindowClosesOrItsTimeIsUp) {
  SimProcess closed = SimProcess::Launch("--demo-data /NOFP /NOLOGIN");
  ASSERT_TRUE(closed.valid());
  const WindowHandle main = win32_testing::WaitForMainWindow(windows(), closed.id());
  ASSERT_TRUE(main);
  windows().Post(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(closed.WaitForExit(), 0u);

  SimProcess timed = SimProcess::Launch("--exit-after-ms 1");
  EXPECT_EQ(timed.WaitForExit(), 0u);
}

TEST_F(CrossProcessTest, TheSimulatorRefusesACommandLineItDoesNotUnderstand) {
  EXPECT_EQ(SimProcess::Launch("--no-such-option").WaitForExit(), 2u);

  const ScopedEnvironment arguments(std::string(sim::kArgumentsVariable), "--reply-delay-ms soon");
  EXPECT_EQ(SimProcess::Launch("/NOFP /NOLOGIN").WaitForExit(), 2u);
}

}  // namespace
}  // namespace orvabridge::testing
