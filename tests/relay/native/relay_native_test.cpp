// orva-relay end to end on the in-process desktop: a host in text-out mode writes its calls, the
// relay replays them against the simulated imaging application, and what reached the
// application is counted, so that a line replayed twice or lost shows.
#include <atomic>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "relay/native/relay_fixture.h"
#include "relay_cli.h"

namespace orvabridge::relay {
namespace {

TEST_F(RelayNative, AHostsCallsReachTheApplicationInOrderAndLeaveNothingBehind) {
  AsHost([](Appl& appl) {
    AddPatient(appl, "7001", "Byron");
    std::string id = "7001", first = "Ada", last = "King", sex = "F", empty, birth = "10.12.1815";
    std::string others = "X-7001";
    EXPECT_EQ(appl.ChangePatientEx(id, first, last, sex, empty, empty, empty, empty, empty, birth,
                                   empty, &others),
              1);
    int32_t options = 0;
    EXPECT_EQ(appl.ShowPatientEx(id, options), 1);
    EXPECT_EQ(appl.UserLogout(), 1);
  });
  ASSERT_TRUE(Exists(workstation_ + ".TXT"));
  workbench_->StartApplication(true);

  EXPECT_EQ(Replay(), RelayEnd::kDone) << Log();
  EXPECT_EQ(replayed_, 4u);
  const auto patient = Application()->Patient("7001");
  ASSERT_TRUE(patient.has_value());
  EXPECT_EQ(patient->last_name, "King");  // the change came after the add
  EXPECT_EQ(patient->other_ids, "X-7001");
  EXPECT_EQ(Application()->CurrentPatientId(), "7001");
  EXPECT_FALSE(Application()->LoggedInUser().has_value());  // the logout came last
  EXPECT_EQ(Received(command::kAddPatientExtended), 1u);
  EXPECT_EQ(Received(command::kChangePatientExtended), 1u);
  // Consumed files are removed; nothing is set aside.
  EXPECT_TRUE(FolderContent().empty()) << FolderContent().front();
}

// A relay killed after N lines (N = 0: right after it took the file over) and started again
// replays every line exactly once.
class RelayKilled : public RelayNative, public ::testing::WithParamInterface<size_t> {};

TEST_P(RelayKilled, AfterNLinesGoesOnAfterTheLastJournaledLine) {
  const size_t killed_after = GetParam();
  AsHost([](Appl& appl) {
    for (const char* id : {"7101", "7102", "7103"}) AddPatient(appl, id, "L" + std::string(id));
  });
  workbench_->StartApplication(true);
  if (killed_after == 0) {
    ASSERT_TRUE(MakeInbox().Claim().has_value());
  } else {
    RelayOptions options = Options();
    options.after_line = [killed_after](size_t dealt_with) {
      if (dealt_with == killed_after) throw Killed{};
    };
    EXPECT_THROW(Replay(options), Killed);
    EXPECT_EQ(Received(command::kAddPatientExtended), killed_after);
  }
  link::ResetThisThread();
  EXPECT_EQ(Replay(), RelayEnd::kDone) << Log();
  EXPECT_EQ(Received(command::kAddPatientExtended), 3u) << Log();
  for (const char* id : {"7101", "7102", "7103"}) EXPECT_TRUE(Application()->Patient(id)) << id;
  EXPECT_TRUE(FolderContent().empty());
}

INSTANTIATE_TEST_SUITE_P(Lines, RelayKilled, ::testing::Values(0u, 1u, 3u));

TEST_F(RelayNative, LinesThatCannotBeReplayedAreSetAsideWithTheirReasonAndNoPassword) {
  workbench_->StartApplication(true);
  WriteLive(
      "FindPatient ; 1001 ; Smith ; Jones ; x\r\n"  // a value held " ; "
      "Reformat ; C:\r\n"                           // no member
      "UserLogin ; drsmith ; hunter2 ; 0\r\n"       // too few fields
      "ShowPatientEx ; 1001 ; 0\r\n"                // fine
      "AddPatientEx ; 7301 ; cut");                 // no line end
  EXPECT_EQ(Replay(), RelayEnd::kDone) << Log();
  EXPECT_EQ(replayed_, 1u);
  EXPECT_EQ(set_aside_, 4u);
  EXPECT_EQ(Application()->CurrentPatientId(), "1001");
  EXPECT_EQ(Received(command::kAddPatientExtended), 0u);

  const std::string rejected = Content(workstation_ + ".rejected");
  EXPECT_NE(rejected.find("ambiguous"), std::string::npos) << rejected;
  EXPECT_NE(rejected.find("FindPatient ; 1001 ; Smith ; Jones ; x\r\n"), std::string::npos);
  EXPECT_NE(rejected.find("\"Reformat\" is no member"), std::string::npos);
  EXPECT_NE(rejected.find("too few fields"), std::string::npos);
  EXPECT_NE(rejected.find("incomplete line"), std::string::npos);
  EXPECT_NE(rejected.find("AddPatientEx ; 7301 ; cut\r\n"), std::string::npos);
  EXPECT_EQ(rejected.find("hunter2"), std::string::npos) << rejected;
  EXPECT_EQ(Log().find("hunter2"), std::string::npos) << Log();
  // Set aside is dealt with: the claimed file and the journal are gone.
  EXPECT_EQ(FolderContent(), std::vector<std::string>{workstation_ + ".rejected"});
}

TEST_F(RelayNative, TheApplicationStartingLateGetsEveryLineOnce) {
  AsHost([](Appl& appl) {
    AddPatient(appl, "7401", "Early");
    AddPatient(appl, "7402", "Late");
  });
  // Nobody answers: a relay asked to give up at once leaves the lines where they are.
  EXPECT_EQ(Replay(), RelayEnd::kWaiting) << Log();
  EXPECT_NE(Log().find("found no imaging application"), std::string::npos) << Log();
  // Claimed, and journaled with nothing in flight: no try reached an application.
  EXPECT_EQ(FolderContent().size(), 2u);

  // The application starts while the relay waits for it.
  std::thread starter([this] {
    std::this_thread::sleep_for(200ms);
    workbench_->StartApplication(true);
  });
  RelayOptions patient = Options();
  patient.give_up_after = 30s;
  EXPECT_EQ(Replay(patient), RelayEnd::kDone) << Log();
  starter.join();
  EXPECT_EQ(Received(command::kAddPatientExtended), 2u);
  EXPECT_EQ(Received(command::kFindPatient), 0u);  // nothing was in flight to look up
  EXPECT_EQ(Log().find("in flight"), std::string::npos) << Log();
  EXPECT_TRUE(Application()->Patient("7401"));
  EXPECT_TRUE(Application()->Patient("7402"));
  EXPECT_TRUE(FolderContent().empty());
}

TEST_F(RelayNative, AFileInUseIsTakenOverOnceItsWriterLetsGo) {
  workbench_->StartApplication(true);
  auto& files = platform_->Files();
  const std::string live = directory_ + workstation_ + ".TXT";
  files.CreateFolder(directory_);
  // The library in the middle of a flush: the file is open for appending and not shared.
  auto writer = files.OpenAppend(live);
  const std::string first = "ShowPatientEx ; 1001 ; 0\r\n";
  writer->Write(std::as_bytes(std::span(first.data(), first.size())));
  EXPECT_EQ(Replay(), RelayEnd::kWaiting) << Log();
  EXPECT_NE(Log().find("cannot take over"), std::string::npos) << Log();
  EXPECT_TRUE(Exists(workstation_ + ".TXT"));

  // Another program holds it: the same.
  std::thread flusher([&] {
    std::this_thread::sleep_for(150ms);
    const std::string second = "ShowPatientEx ; 1002 ; 0\r\n";
    writer->Write(std::as_bytes(std::span(second.data(), second.size())));
    writer.reset();
  });
  RelayOptions patient = Options();
  patient.give_up_after = 30s;
  EXPECT_EQ(Replay(patient), RelayEnd::kDone) << Log();
  flusher.join();
  EXPECT_EQ(Received(command::kShowPatient), 2u);  // both lines, the one written last included
  EXPECT_EQ(Application()->CurrentPatientId(), "1002");
}

// The library flushing every 250 ms while the relay keeps taking files over: every call arrives
// exactly once.
TEST_F(RelayNative, CallsWrittenWhileTheRelayRunsAreAllReplayedOnce) {
  workbench_->StartApplication(true);
  constexpr int kCalls = 12;
  testing::ThreadRunner host(platform_->Windows());
  TextOut(true);
  std::unique_ptr<Appl> host_appl = host.Call([&] { return ApplAccess::Make(platform_); });
  TextOut(false);
  std::atomic<bool> host_done{false};
  host.Run([&] {
    for (int k = 0; k < kCalls; ++k) {
      AddPatient(*host_appl, std::to_string(7500 + k), "Many");
      testing::PumpUntil(
          platform_->Windows(), [] { return false; }, 60ms);  // flushes happen
    }
    host_appl.reset();  // the last lines are written as the object goes away
    host_done = true;
  });

  std::thread stopper([&] {
    while (!(host_done && Received(command::kAddPatientExtended) >= kCalls)) {
      std::this_thread::sleep_for(20ms);
    }
    platform::RequestStop();
  });
  RelayOptions running = Options();
  running.once = false;
  EXPECT_EQ(Replay(running), RelayEnd::kDone) << Log();
  stopper.join();
  host.Stop();
  EXPECT_EQ(Received(command::kAddPatientExtended), static_cast<size_t>(kCalls)) << Log();
  for (int k = 0; k < kCalls; ++k) EXPECT_TRUE(Application()->Patient(std::to_string(7500 + k)));
  EXPECT_NE(Log().find("took over"), std::string::npos);
}

// Two relays on one folder (the autostart one and one started by hand) would both replay the
// oldest claimed file: the second stays out while the first works.
TEST_F(RelayNative, ASecondRelayStaysOutWhileOneWorks) {
  workbench_->StartApplication(true);
  WriteLive("ShowPatientEx ; 1001 ; 0\r\n");
  auto first = platform_->Files().OpenAppend(directory_ + workstation_ + ".relay-lock");
  EXPECT_EQ(Replay(), RelayEnd::kCannotWork);
  EXPECT_NE(Log().find("another relay is working"), std::string::npos) << Log();
  EXPECT_EQ(Received(command::kShowPatient), 0u);
  first.reset();
  EXPECT_EQ(Replay(), RelayEnd::kDone) << Log();
  EXPECT_EQ(Received(command::kShowPatient), 1u);
  EXPECT_TRUE(FolderContent().empty());  // the lock file goes with the relay
}

TEST_F(RelayNative, TheCommandLineRefusesToRelayIntoTextOutAndWritesTheAutostartEntry) {
  auto run = [&](std::vector<std::string> args, std::string* out_text = nullptr) {
    std::ostringstream out, err;
    const int status = RunRelay(args, out, err, [this] { return platform_; });
    if (out_text) *out_text = out.str() + err.str();
    return status;
  };
  EXPECT_EQ(run({"--bogus"}), relay_exit::kUsage);
  EXPECT_EQ(run({"--once", "--folder", kFolder, "--workstation", "..\\other"}), relay_exit::kUsage);
  EXPECT_EQ(run({"--once", "--folder", kFolder, "--workstation", workstation_}), relay_exit::kDone);
  // Where calls go to a text-out file themselves, replaying would only write them again.
  TextOut(true);
  std::string said;
  EXPECT_EQ(run({"--once", "--workstation", workstation_}, &said), relay_exit::kCannotWork);
  EXPECT_NE(said.find("text-out mode itself"), std::string::npos) << said;
  TextOut(false);

  EXPECT_EQ(run({"--install", "--folder", "C:\\share\\txt out\\", "--workstation", "WS1"}, &said),
            relay_exit::kDone);
  const std::string entry =
      RegistryText(*platform_, platform::RegistryRoot::kCurrentUser, kRunKey, kAutostartValue)
          .value_or("");
  EXPECT_NE(entry.find(" --folder \"C:\\share\\txt out\\\\\" --workstation WS1"), std::string::npos)
      << entry;
  EXPECT_EQ(run({"--uninstall"}, &said), relay_exit::kDone);
  EXPECT_FALSE(
      RegistryText(*platform_, platform::RegistryRoot::kCurrentUser, kRunKey, kAutostartValue));
  EXPECT_EQ(run({"--uninstall"}, &said), relay_exit::kDone);
  EXPECT_NE(said.find("no autostart entry"), std::string::npos);
}

}  // namespace
}  // namespace orvabridge::relay
