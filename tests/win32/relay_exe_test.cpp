// orva-relay.exe against orva-sim.exe, each in a process of its own: calls written by a host in
// text-out mode reach the application in order and exactly once, also when the relay is killed
// in the middle of a file or the application starts after the relay.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "platform/win32/text_conversion.h"
#include "support/thread_runner.h"
#include "win32/child_program.h"
#include "win32/cross_process_fixture.h"

namespace orvabridge {
namespace {

using platform::win32::Utf8ToWide;
using win32_testing::ChildProgram;
using win32_testing::Finished;

class RelayExe : public testing::CrossProcessTest {
 protected:
  void SetUp() override {
    CrossProcessTest::SetUp();
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    folder_ = platform::win32::WideToUtf8(temp) + "relay-" +
              std::to_string(::GetCurrentProcessId()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ::CreateDirectoryW(Utf8ToWide(folder_).c_str(), nullptr);
    workstation_ = platform_->System().ComputerName();
    trace_ = folder_ + "\\sim-trace.txt";
  }

  void TearDown() override {
    SetMachineSetting("Orvabridge", "OrvabridgeTXTOUT", "");
    CrossProcessTest::TearDown();
  }

  // The host on the terminal server: every call goes to the text-out file, written out at the
  // latest as the object goes away.
  void AsHost(const std::function<void(Appl&)>& calls) {
    SetMachineSetting("Orvabridge", "OrvabridgeTXTOUT", folder_);
    {
      auto host = MakeAppl(1.0);
      ASSERT_TRUE(host->ToFile());
      calls(*host);
    }
    SetMachineSetting("Orvabridge", "OrvabridgeTXTOUT", "");
  }

  static void AddPatient(Appl& appl, std::string id, std::string last_name) {
    std::string first = "Ada", sex = "F", empty, birth = "10.12.1815", others = "X-" + id;
    ASSERT_EQ(appl.AddPatientEx(id, first, last_name, sex, empty, empty, empty, empty, empty, birth,
                                empty, others),
              1);
  }

  void StartApplication() {
    StartSimulator("--demo-data --logged-in demo --trace \"" + trace_ + "\"");
  }

  std::wstring RelayArguments(const std::wstring& more = L"") const {
    return L"--once --folder \"" + Utf8ToWide(folder_) + L"\" --workstation " +
           Utf8ToWide(workstation_) + L" --retry-max 1 " + more;
  }

  // How many requests of `code` the simulator received, from its trace.
  size_t Received(uint32_t code) const {
    std::ifstream in(trace_);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    const std::string mark = "request " + std::to_string(code) + " ";
    size_t count = 0;
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + 1)) {
      ++count;
    }
    return count;
  }

  std::string FolderOfWorkstation() const { return folder_ + "\\" + workstation_ + "\\"; }

  std::string folder_, workstation_, trace_;
};

TEST_F(RelayExe, AHostsCallsReachTheApplicationInOrder) {
  AsHost([](Appl& appl) {
    AddPatient(appl, "7001", "Byron");
    std::string id = "7001", first = "Ada", last = "King", sex = "F", empty, birth = "10.12.1815";
    EXPECT_EQ(appl.ChangePatientEx(id, first, last, sex, empty, empty, empty, empty, empty, birth,
                                   empty, nullptr),
              1);
    int32_t options = 0;
    EXPECT_EQ(appl.ShowPatientEx(id, options), 1);
  });
  StartApplication();
  const Finished relay = win32_testing::RunProgram(L"orva-relay.exe", RelayArguments());
  EXPECT_EQ(relay.exit_code, 0u) << relay.err;
  EXPECT_NE(relay.err.find("3 replayed, 0 set aside"), std::string::npos) << relay.err;

  auto appl = AttachTo(simulators_.front());
  testing::PatientFields current;
  ASSERT_EQ(current.ReadCurrent(*appl), 1);
  EXPECT_EQ(current.id, "7001");
  EXPECT_EQ(current.last, "King");  // changed after it was added
  EXPECT_EQ(Received(channel::command::kAddPatientExtended), 1u);
  // Nothing is left in the folder: the claimed file and the journal are removed.
  EXPECT_EQ(::GetFileAttributesW(Utf8ToWide(FolderOfWorkstation() + workstation_ + ".TXT").c_str()),
            INVALID_FILE_ATTRIBUTES);
  WIN32_FIND_DATAW found = {};
  const HANDLE search = ::FindFirstFileW(Utf8ToWide(FolderOfWorkstation() + "*.*").c_str(), &found);
  size_t files = 0;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      files += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  EXPECT_EQ(files, 0u);
}

TEST_F(RelayExe, AKilledRelayReplaysEveryLineExactlyOnceWhenStartedAgain) {
  AsHost([](Appl& appl) {
    for (const char* id : {"7101", "7102", "7103"}) AddPatient(appl, id, "Line");
  });
  StartApplication();
  // Killed after the first line; started again and killed after the last one, before it
  // removed the file (the count is of the lines each run dealt with).
  const Finished first =
      win32_testing::RunProgram(L"orva-relay.exe", RelayArguments(L"--end-abruptly-after 1"));
  EXPECT_EQ(first.exit_code, 9u) << first.err;
  EXPECT_EQ(Received(channel::command::kAddPatientExtended), 1u);
  const Finished second =
      win32_testing::RunProgram(L"orva-relay.exe", RelayArguments(L"--end-abruptly-after 2"));
  EXPECT_EQ(second.exit_code, 9u) << second.err;
  EXPECT_EQ(Received(channel::command::kAddPatientExtended), 3u);
  const Finished relay = win32_testing::RunProgram(L"orva-relay.exe", RelayArguments());
  EXPECT_EQ(relay.exit_code, 0u) << relay.err;
  EXPECT_EQ(Received(channel::command::kAddPatientExtended), 3u);
}

TEST_F(RelayExe, TheApplicationStartingAfterTheRelayGetsEveryLine) {
  AsHost([](Appl& appl) {
    AddPatient(appl, "7401", "Early");
    int32_t options = 0;
    std::string id = "7401";
    EXPECT_EQ(appl.ShowPatientEx(id, options), 1);
  });
  // Nothing answers yet: a relay that may not wait leaves the lines for later.
  const Finished impatient = win32_testing::RunProgram(L"orva-relay.exe", RelayArguments());
  EXPECT_EQ(impatient.exit_code, 3u) << impatient.err;

  // The relay waits for the application long enough for a slow machine to start both.
  const auto wait = std::chrono::duration_cast<std::chrono::seconds>(
      win32_testing::Scaled(std::chrono::seconds(60)));
  ChildProgram relay(L"orva-relay.exe", RelayArguments(L"--wait " + std::to_wstring(wait.count())));
  ::Sleep(1500);
  StartApplication();
  const Finished finished = relay.Wait(std::chrono::seconds(90));
  EXPECT_EQ(finished.exit_code, 0u) << finished.err;
  EXPECT_EQ(Received(channel::command::kAddPatientExtended), 1u);
  EXPECT_EQ(Received(channel::command::kShowPatient), 1u);
}

// The host flushes every 250 ms while a relay that runs on keeps taking its files over: each call
// arrives once. The relay is then ended as a kill would end it.
TEST_F(RelayExe, CallsFlushedWhileTheRelayRunsArriveOnceEach) {
  StartApplication();
  constexpr int kCalls = 10;
  // The host's object is made in text-out mode before the relay starts, so that the relay's own
  // object never sees the setting.
  SetMachineSetting("Orvabridge", "OrvabridgeTXTOUT", folder_);
  auto host = MakeAppl(1.0);
  SetMachineSetting("Orvabridge", "OrvabridgeTXTOUT", "");
  ASSERT_TRUE(host->ToFile());
  ChildProgram relay(L"orva-relay.exe", L"--folder \"" + Utf8ToWide(folder_) +
                                            L"\" --workstation " + Utf8ToWide(workstation_) +
                                            L" --retry-max 1");
  for (int k = 0; k < kCalls; ++k) {
    AddPatient(*host, std::to_string(7600 + k), "Flushed");
    testing::PumpUntil(
        windows(), [] { return false; }, std::chrono::milliseconds(120));
  }
  host.reset();  // the last lines are written as the host's object goes away
  for (int waited = 0; waited < 600 && Received(channel::command::kAddPatientExtended) <
                                           static_cast<size_t>(kCalls);
       ++waited) {
    ::Sleep(100);
  }
  ::Sleep(500);  // time for a line replayed twice to show
  EXPECT_EQ(Received(channel::command::kAddPatientExtended), static_cast<size_t>(kCalls));
}

TEST_F(RelayExe, LinesThatCannotBeReplayedAreSetAsideAndALockedFileWaits) {
  StartApplication();
  ::CreateDirectoryW(Utf8ToWide(FolderOfWorkstation()).c_str(), nullptr);
  const std::wstring live = Utf8ToWide(FolderOfWorkstation() + workstation_ + ".TXT");
  {
    std::ofstream out(platform::win32::WideToUtf8(live).c_str(), std::ios::binary);
    out << "FindPatient ; 1001 ; Smith ; Jones ; x\r\nUserLogin ; drsmith ; hunter2\r\n"
           "ShowPatientEx ; 1001 ; 0\r\n";
  }
  // Another program holds the file without sharing it: the relay cannot take it over.
  HANDLE held = ::CreateFileW(live.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const Finished waiting = win32_testing::RunProgram(L"orva-relay.exe", RelayArguments());
  EXPECT_EQ(waiting.exit_code, 3u) << waiting.err;
  EXPECT_NE(waiting.err.find("cannot take over"), std::string::npos) << waiting.err;
  ::CloseHandle(held);

  const Finished relay = win32_testing::RunProgram(L"orva-relay.exe", RelayArguments());
  EXPECT_EQ(relay.exit_code, 0u) << relay.err;
  EXPECT_NE(relay.err.find("1 replayed, 2 set aside"), std::string::npos) << relay.err;
  EXPECT_EQ(relay.err.find("hunter2"), std::string::npos);
  EXPECT_EQ(Received(channel::command::kShowPatient), 1u);
  std::ifstream in((FolderOfWorkstation() + workstation_ + ".rejected").c_str(), std::ios::binary);
  const std::string rejected((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(rejected.find("ambiguous"), std::string::npos) << rejected;
  EXPECT_NE(rejected.find("too few fields"), std::string::npos) << rejected;
  EXPECT_EQ(rejected.find("hunter2"), std::string::npos) << rejected;
}

// A text-out folder that is not there (a local one, a share of a server nobody has) ends a run
// with --once at once, naming the folder and why; nothing claims "0 replayed" as a success.
TEST_F(RelayExe, AFolderThatCannotBeReadEndsARunOnceNamingIt) {
  const std::string missing = folder_ + "\\missing";
  const Finished local = win32_testing::RunProgram(
      L"orva-relay.exe", L"--once --folder \"" + Utf8ToWide(missing) + L"\" --workstation WS07");
  EXPECT_EQ(local.exit_code, 1u) << local.err;
  EXPECT_NE(local.err.find("cannot read the text-out folder " + missing + ": it does not exist"),
            std::string::npos)
      << local.err;

  const std::string share = "\\\\orvabridge-no-such-server\\txtout";
  const Finished remote = win32_testing::RunProgram(
      L"orva-relay.exe", L"--once --folder " + Utf8ToWide(share) + L" --workstation WS07");
  EXPECT_EQ(remote.exit_code, 1u) << remote.err;
  EXPECT_NE(remote.err.find("cannot read the text-out folder " + share +
                            ": its server or share cannot be reached"),
            std::string::npos)
      << remote.err;
}

// A relay that runs on, started before its share is there: it says so in its log, and once the
// folder is there it says that too and replays what was written.
TEST_F(RelayExe, ARelayThatRunsOnWaitsForItsFolderAndSaysSo) {
  StartApplication();
  const std::string later = folder_ + "\\later", log = folder_ + "\\relay.log";
  auto logged = [&] {
    std::ifstream in(log.c_str(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  };
  auto wait_for = [&](const std::function<bool()>& done) {
    for (int waited = 0; waited < 600 && !done(); ++waited) ::Sleep(100);
    return done();
  };
  ChildProgram relay(L"orva-relay.exe", L"--folder \"" + Utf8ToWide(later) + L"\" --workstation " +
                                            Utf8ToWide(workstation_) + L" --log \"" +
                                            Utf8ToWide(log) + L"\"");
  const std::string missing = "cannot read the text-out folder " + later + ": it does not exist";
  ASSERT_TRUE(wait_for([&] { return logged().find(missing) != std::string::npos; })) << logged();

  ::CreateDirectoryW(Utf8ToWide(later).c_str(), nullptr);
  ::CreateDirectoryW(Utf8ToWide(later + "\\" + workstation_).c_str(), nullptr);
  {
    std::ofstream out((later + "\\" + workstation_ + "\\" + workstation_ + ".TXT").c_str(),
                      std::ios::binary);
    out << "ShowPatientEx ; 1001 ; 0\r\n";
  }
  EXPECT_TRUE(wait_for([&] { return Received(channel::command::kShowPatient) == 1; })) << logged();
  EXPECT_NE(logged().find("can read the text-out folder " + later + " now"), std::string::npos)
      << logged();
  EXPECT_EQ(logged().find(missing), logged().rfind(missing)) << logged();  // said once
}

TEST_F(RelayExe, VersionAndUsage) {
  const Finished version = win32_testing::RunProgram(L"orva-relay.exe", L"--version");
  EXPECT_EQ(version.exit_code, 0u);
  EXPECT_EQ(version.out.rfind("orva-relay ", 0), 0u) << version.out;
  EXPECT_EQ(win32_testing::RunProgram(L"orva-relay.exe", L"--frobnicate").exit_code, 2u);
  const Finished mistyped = win32_testing::RunProgram(L"orva-relay.exe", L"--onec");
  EXPECT_EQ(mistyped.exit_code, 2u);
  EXPECT_NE(mistyped.err.find("did you mean --once?"), std::string::npos) << mistyped.err;
  const Finished wait = win32_testing::RunProgram(L"orva-relay.exe", L"--wait 5 --folder C:\\");
  EXPECT_EQ(wait.exit_code, 2u);
  EXPECT_NE(wait.err.find("--wait applies only with --once"), std::string::npos) << wait.err;
}

}  // namespace
}  // namespace orvabridge
