// orva-relay end to end on the in-process desktop: a host in text-out mode writes its calls, the
// relay replays them against the simulated imaging application, and what reached the
// application is counted, so that a line replayed twice or lost shows.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "appl/appl_access.h"
#include "channel/records.h"
#include "sim/desk_install.h"
#include "desk_workbench.h"
#include "inbox.h"
#include "link/thread_state.h"
#include "platform/desk/desktop.h"
#include "platform/program_control.h"
#include "relay.h"
#include "relay_cli.h"
#include "support/thread_runner.h"

namespace orvabridge::relay {
namespace {

using namespace std::chrono_literals;
namespace command = channel::command;

constexpr const char* kFolder = "C:\\txtout";
constexpr const char* kSettingsKey = "Software\\Orvadent\\Orvanta\\Orvabridge";

struct Killed {};

// A string value of the registry, or nullopt when there is none.
std::optional<std::string> RegistryText(platform::Platform& platform, platform::RegistryRoot root,
                                        const char* key_path, const char* name) {
  const auto key = platform.Reg().OpenKey(root, key_path, platform::kKeyRead);
  if (!key) return std::nullopt;
  std::string data(1024, '\0');
  uint32_t type = 0, length = static_cast<uint32_t>(data.size());
  if (key->QueryValue(name, type, reinterpret_cast<std::byte*>(data.data()), length) !=
      platform::RegStatus::kOk) {
    return std::nullopt;
  }
  data.resize(length);
  while (!data.empty() && data.back() == '\0') data.pop_back();
  return data;
}  // what the tests throw where a kill would end the relay

class RelayNative : public ::testing::Test {
 protected:
  void SetUp() override {
    link::ResetThisThread();
    platform::ClearStopRequest();
    desktop_ = platform::desk::Desktop::Create();
    workbench_ = orvactl::MakeDeskWorkbench(desktop_);
    platform_ = workbench_->Platform();
    platform_->Files().CreateFolder(kFolder);
    workstation_ = platform_->System().ComputerName();
    directory_ = std::string(kFolder) + "\\" + workstation_ + "\\";
  }

  void TearDown() override {
    workbench_.reset();
    link::ResetThisThread();
    platform::ClearStopRequest();
  }

  void TextOut(bool on) {
    desktop_->SetRegistryString(platform::RegistryRoot::kLocalMachine, kSettingsKey,
                                "OrvabridgeTXTOUT", on ? kFolder : "");
  }

  // A host on the terminal server: its calls go to the text-out file, written out at the latest
  // when its object goes away. It runs on a thread of its own, as another process would.
  void AsHost(const std::function<void(Appl&)>& calls) {
    testing::ThreadRunner host(platform_->Windows());
    TextOut(true);
    host.Call([&] {
      const auto appl = ApplAccess::Make(platform_);
      ASSERT_TRUE(appl->ToFile());
      calls(*appl);
    });
    TextOut(false);
  }

  static void AddPatient(Appl& appl, std::string id, std::string last_name) {
    std::string first = "Ada", sex = "F", empty, birth = "10.12.1815", others = "X-" + id;
    ASSERT_EQ(appl.AddPatientEx(id, first, last_name, sex, empty, empty, empty, empty, empty, birth,
                                empty, others),
              1);
  }

  RelayOptions Options() const {
    RelayOptions options;
    options.folder = kFolder;
    options.workstation = workstation_;
    options.once = true;
    options.poll = 20ms;
    options.first_retry = 10ms;
    options.longest_retry = 40ms;
    return options;
  }

  // Runs a relay with its own Appl on this thread, as orva-relay does.
  RelayEnd Replay(RelayOptions options) {
    const auto appl = ApplAccess::Make(platform_);
    Relay relay(std::move(options), *platform_, *appl,
                [this](const std::string& event) { log_ << event << "\n"; });
    const RelayEnd end = relay.Run();
    replayed_ += relay.replayed();
    set_aside_ += relay.set_aside();
    return end;
  }
  RelayEnd Replay() { return Replay(Options()); }

  std::shared_ptr<sim::Simulator> Application() {
    const auto simulators = sim::InstalledSimulators();
    return simulators.empty() ? nullptr : simulators.back();
  }

  size_t Received(uint32_t code) {
    size_t count = 0;
    for (const auto& request : Application()->Requests()) count += request.code == code;
    return count;
  }

  bool Exists(const std::string& name) {
    return platform_->Files().FileSize(directory_ + name).has_value();
  }
  std::vector<std::string> FolderContent() { return platform_->Files().FilesInFolder(directory_); }
  std::string Content(const std::string& name) {
    std::ifstream in(desktop_->HostPath(directory_ + name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void WriteLive(const std::string& text) {
    if (!platform_->Files().FolderExists(directory_)) platform_->Files().CreateFolder(directory_);
    std::ofstream(desktop_->HostPath(directory_ + workstation_ + ".TXT"),
                  std::ios::binary | std::ios::app)
        << text;
  }

  std::shared_ptr<platform::desk::Desktop> desktop_;
  std::unique_ptr<orvactl::Workbench> workbench_;
  std::shared_ptr<platform::Platform> platform_;
  std::string workstation_, directory_;
  std::ostringstream log_;
  size_t replayed_ = 0, set_aside_ = 0;
};

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

  EXPECT_EQ(Replay(), RelayEnd::kDone) << log_.str();
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
    Inbox inbox(platform_->Files(), platform_->AnsiCodePage(), platform_->System(), kFolder,
                workstation_);
    ASSERT_TRUE(inbox.Claim().has_value());
  } else {
    RelayOptions options = Options();
    options.after_line = [killed_after](size_t dealt_with) {
      if (dealt_with == killed_after) throw Killed{};
    };
    EXPECT_THROW(Replay(options), Killed);
    EXPECT_EQ(Received(command::kAddPatientExtended), killed_after);
  }
  link::ResetThisThread();
  EXPECT_EQ(Replay(), RelayEnd::kDone) << log_.str();
  EXPECT_EQ(Received(command::kAddPatientExtended), 3u) << log_.str();
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
  EXPECT_EQ(Replay(), RelayEnd::kDone) << log_.str();
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
  EXPECT_EQ(log_.str().find("hunter2"), std::string::npos) << log_.str();
  // Set aside is dealt with: the claimed file and the journal are gone.
  EXPECT_EQ(FolderContent(), std::vector<std::string>{workstation_ + ".rejected"});
}

TEST_F(RelayNative, TheApplicationStartingLateGetsEveryLineOnce) {
  AsHost([](Appl& appl) {
    AddPatient(appl, "7401", "Early");
    AddPatient(appl, "7402", "Late");
  });
  // Nobody answers: a relay asked to give up at once leaves the lines where they are.
  EXPECT_EQ(Replay(), RelayEnd::kWaiting) << log_.str();
  EXPECT_NE(log_.str().find("found no imaging application"), std::string::npos) << log_.str();
  EXPECT_EQ(FolderContent().size(), 1u);  // claimed, not yet journaled

  // The application starts while the relay waits for it.
  std::thread starter([this] {
    std::this_thread::sleep_for(200ms);
    workbench_->StartApplication(true);
  });
  RelayOptions patient = Options();
  patient.give_up_after = 30s;
  EXPECT_EQ(Replay(patient), RelayEnd::kDone) << log_.str();
  starter.join();
  EXPECT_EQ(Received(command::kAddPatientExtended), 2u);
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
  EXPECT_EQ(Replay(), RelayEnd::kWaiting) << log_.str();
  EXPECT_NE(log_.str().find("cannot take over"), std::string::npos) << log_.str();
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
  EXPECT_EQ(Replay(patient), RelayEnd::kDone) << log_.str();
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
  EXPECT_EQ(Replay(running), RelayEnd::kDone) << log_.str();
  stopper.join();
  host.Stop();
  EXPECT_EQ(Received(command::kAddPatientExtended), static_cast<size_t>(kCalls)) << log_.str();
  for (int k = 0; k < kCalls; ++k) EXPECT_TRUE(Application()->Patient(std::to_string(7500 + k)));
  EXPECT_NE(log_.str().find("took over"), std::string::npos);
}

// Two relays on one folder (the autostart one and one started by hand) would both replay the
// oldest claimed file: the second stays out while the first works.
TEST_F(RelayNative, ASecondRelayStaysOutWhileOneWorks) {
  workbench_->StartApplication(true);
  WriteLive("ShowPatientEx ; 1001 ; 0\r\n");
  auto first = platform_->Files().OpenAppend(directory_ + workstation_ + ".relay-lock");
  EXPECT_EQ(Replay(), RelayEnd::kCannotWork);
  EXPECT_NE(log_.str().find("another relay is working"), std::string::npos) << log_.str();
  EXPECT_EQ(Received(command::kShowPatient), 0u);
  first.reset();
  EXPECT_EQ(Replay(), RelayEnd::kDone) << log_.str();
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
