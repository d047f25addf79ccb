// The fault matrix: what the library does when the other process, the files or the registry
// misbehave, each row against orva-sim.exe in a process of its own. Every row checks the result
// the call documents and that nothing is lost: the object still answers the next call, and the
// text-out file holds every line once.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/runtime_failure.h"
#include "platform/win32/win32_registry.h"
#include "sim/demo_seed.h"
#include "win32/cross_process_fixture.h"

namespace orvabridge::testing {
namespace {

using namespace std::chrono_literals;
using platform::Clock;
using platform::WindowHandle;
using platform::WindowMessage;
using win32_testing::ScopedEnvironment;
using win32_testing::SimProcess;
namespace demo = sim::demo;

// The answer to finding demo::kSecondPatient.
struct Found {
  std::string first = "before", last = "before";
  int32_t In(Appl& appl, std::string id = demo::kSecondPatient) {
    return appl.FindPatient(id, first, last);
  }
};

class FaultMatrixTest : public CrossProcessTest {
 protected:
  static constexpr const char* kDemo = "--demo-data --logged-in demo ";

  // The object answers as it should once the fault is gone.
  void ExpectNextCallWorks(Appl& appl) {
    Found found;
    EXPECT_EQ(found.In(appl), 1) << "the object does not work for the next call";
    EXPECT_EQ(found.first, demo::kSecondFirstName);
  }
};

TEST_F(FaultMatrixTest, ApplicationKilledWhileTheLibraryWaits) {
  SimProcess& simulator = StartSimulator(std::string(kDemo) + "--no-reply --only-for 1016");
  auto appl = AttachTo(simulator);
  constexpr platform::MessageId kKill = platform::kWmUser + 0x77;
  win32_testing::ScopedWindow killer(windows(), win32_testing::MessageOnlyBlueprint(),
                                     [&](const WindowMessage& message) -> std::optional<intptr_t> {
                                       if (message.id != kKill) return std::nullopt;
                                       simulator.Kill();
                                       return 0;
                                     });
  windows().Post(killer.get(), kKill, 0, 0);
  PatientFields current;
  EXPECT_EQ(current.ReadCurrent(*appl), result::kNoTargetWindow);

  // The next call finds the application gone, then a new one once it runs (re-attach by itself).
  Found found;
  EXPECT_EQ(found.In(*appl), result::kNoTargetWindow);
  StartSimulator(kDemo);
  ExpectNextCallWorks(*appl);
}

TEST_F(FaultMatrixTest, ApplicationBusyInsideARequestGivesUpAtTheTimeOut) {
  const SimProcess& simulator =
      StartSimulator(std::string(kDemo) + "--busy-ms 3000 --only-for 1003");
  auto attached = AttachTo(simulator);
  auto hurried = MakeAppl(0.05);  // 20 s become 1 s

  const auto started = Clock::now();
  Found found;
  EXPECT_EQ(found.In(*hurried), result::kTimeout);
  EXPECT_LT(Clock::now() - started, 3s) << "waited for the application instead of the time-out";
  EXPECT_EQ(found.first, "before");
  // The next request waits (within its own time-out) until the application has caught up, and
  // gets its own answer.
  ExpectNextCallWorks(*attached);
}

// Hung for good: the request ends at its time-out at the latest (where the system reports the
// application as hung it gives up sooner; Wine reports that too unreliably to test here).
TEST_F(FaultMatrixTest, HungApplicationEndsTheCallAtItsTimeOut) {
  const SimProcess& simulator =
      StartSimulator(std::string(kDemo) + "--busy-ms 60000 --only-for 1016");
  auto attached = AttachTo(simulator);
  auto hurried = MakeAppl(0.2);  // the ten-second wait takes two
  const auto started = Clock::now();
  PatientFields current;
  EXPECT_EQ(current.ReadCurrent(*hurried), result::kTimeout);
  EXPECT_LT(Clock::now() - started, 10s);
  // The next request cannot be handed over either; the object gives up at its time-out again.
  EXPECT_EQ(current.ReadCurrent(*hurried), result::kTimeout);
  EXPECT_LT(Clock::now() - started, 20s);
}

TEST_F(FaultMatrixTest, HungProgramOfAnotherMakerDoesNotHoldUpAttaching) {
  // Its main window has the imaging application's class; it answers nothing, but its title is
  // the window manager's and is read without asking it.
  StartSimulator("--app-key Practice --title \"Practice Manager\" --freeze-ms 20000");
  const SimProcess& imaging = StartSimulator(kDemo);
  const auto started = Clock::now();
  auto appl = AttachTo(imaging);
  EXPECT_LT(Clock::now() - started, 10s) << "attaching waited for the hung program";
  ExpectNextCallWorks(*appl);
}

TEST_F(FaultMatrixTest, ReplyWithAnotherCodeIsMinusSeven) {
  const SimProcess& simulator =
      StartSimulator(std::string(kDemo) + "--reply-code 1017 --only-for 1003");
  auto appl = AttachTo(simulator);
  Found found;
  EXPECT_EQ(found.In(*appl), result::kUnexpectedReply);
  EXPECT_EQ(found.first, "before");
  PatientFields current;
  EXPECT_EQ(current.ReadCurrent(*appl), 1) << "the next call works";
}

TEST_F(FaultMatrixTest, RepliesTooShortOrTooLongStayInsideTheirRecord) {
  {
    const SimProcess& simulator =
        StartSimulator(std::string(kDemo) + "--reply-size 4 --only-for 1016");
    auto appl = AttachTo(simulator);
    PatientFields current;
    EXPECT_EQ(current.ReadCurrent(*appl), 0) << "4 bytes hold no patient id";
    ExpectNextCallWorks(*appl);
  }
  simulators_.clear();
  const SimProcess& simulator =
      StartSimulator(std::string(kDemo) + "--reply-size 70000 --only-for 1016");
  auto appl = AttachTo(simulator);
  PatientFields current;
  EXPECT_EQ(current.ReadCurrent(*appl), 1);
  EXPECT_EQ(current.id, demo::kOpenPatient) << "the first 2244 bytes are the record";
  EXPECT_EQ(current.first, "Ines");
  ExpectNextCallWorks(*appl);
}

TEST_F(FaultMatrixTest, DuplicateRepliesChangeNothing) {
  const SimProcess& simulator = StartSimulator(std::string(kDemo) + "--duplicate-reply");
  auto appl = AttachTo(simulator);
  ExpectNextCallWorks(*appl);
  ExpectNextCallWorks(*appl);
  PatientFields current;
  EXPECT_EQ(current.ReadCurrent(*appl), 1);
  EXPECT_EQ(current.id, demo::kOpenPatient);
}

// The documented behaviour: a reply that comes after its request gave up is still unpacked, and
// one that arrives during a later wait ends it. The application answers every current-patient
// request with the same patient, so the next call's answer is right either way.
TEST_F(FaultMatrixTest, ReplyAfterTheTimeOutThenTheNextRequest) {
  const SimProcess& simulator =
      StartSimulator(std::string(kDemo) + "--reply-delay-ms 1000 --only-for 1016");
  auto attached = AttachTo(simulator);
  auto hurried = MakeAppl(0.001);
  PatientFields current;
  EXPECT_EQ(current.ReadCurrent(*hurried), result::kTimeout);
  PatientFields next;
  EXPECT_EQ(next.ReadCurrent(*hurried), result::kTimeout);
  EXPECT_EQ(next.ReadCurrent(*attached), 1);
  EXPECT_EQ(next.id, demo::kOpenPatient);
}

// The host's own message, handled while the library waits, calls into the same object: the nested
// call resets ReplyCode for the outer one as well, which then ends with the nested reply's code.
TEST_F(FaultMatrixTest, NestedCallIntoTheSameObjectDuringAWait) {
  const SimProcess& simulator =
      StartSimulator(std::string(kDemo) + "--reply-delay-ms 500 --only-for 1016");
  auto appl = AttachTo(simulator);
  constexpr platform::MessageId kNested = platform::kWmUser + 0x78;
  int32_t nested_result = 99;
  Found nested;
  win32_testing::ScopedWindow host(windows(), win32_testing::MessageOnlyBlueprint(),
                                   [&](const WindowMessage& message) -> std::optional<intptr_t> {
                                     if (message.id != kNested) return std::nullopt;
                                     nested_result = nested.In(*appl);
                                     return 0;
                                   });
  windows().Post(host.get(), kNested, 0, 0);
  PatientFields current;
  EXPECT_EQ(current.ReadCurrent(*appl), result::kUnexpectedReply);
  EXPECT_EQ(nested_result, 1);
  EXPECT_EQ(nested.first, demo::kSecondFirstName);
  ExpectNextCallWorks(*appl);
}

TEST_F(FaultMatrixTest, TimerTicksDuringAWait) {
  const SimProcess& simulator =
      StartSimulator(std::string(kDemo) + "--reply-delay-ms 500 --only-for 1016");
  auto appl = AttachTo(simulator);
  static int ticks = 0;
  ticks = 0;
  win32_testing::ScopedWindow host(windows(), win32_testing::MessageOnlyBlueprint(),
                                   [](const WindowMessage&) { return std::optional<intptr_t>(); });
  ASSERT_TRUE(windows().StartTimer(host.get(), 1, 20ms, [](WindowHandle, uintptr_t) { ++ticks; }));
  PatientFields current;
  EXPECT_EQ(current.ReadCurrent(*appl), 1);
  windows().StopTimer(host.get(), 1);
  EXPECT_GT(ticks, 0) << "the wait handled no timer tick";
  EXPECT_EQ(current.id, demo::kOpenPatient);
}

// ---- Text-out files ------------------------------------------------------------------------

class TextOutFaultTest : public FaultMatrixTest {
 protected:
  void SetUp() override {
    FaultMatrixTest::SetUp();
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "orvabridge-fault-matrix\\";
    ::CreateDirectoryA(folder_.c_str(), nullptr);
    SetMachineSetting("Orvabridge", "OrvabridgeTXTOUT", folder_);
    appl_ = MakeAppl(1.0);
    ASSERT_TRUE(appl_->ToFile());
    const std::string workstation = CoreOf(*appl_).text_out().workstation_name();
    file_ = folder_ + workstation + "\\" + workstation + ".TXT";
    ::SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(file_.c_str());
  }
  void TearDown() override {
    appl_.reset();
    ::SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(file_.c_str());
    boxes_.clear();  // the rows expect their boxes
    FaultMatrixTest::TearDown();
  }

  void LogCalls(int count) {
    for (int i = 0; i < count; ++i) {
      Found found;
      EXPECT_EQ(found.In(*appl_, "P" + std::to_string(calls_++)), 0);
    }
  }
  // Long enough for several ticks of the 250 ms flush timer.
  void LetTheTimerRun() {
    const auto until = Clock::now() + 1200ms;
    while (Clock::now() < until) {
      windows().PumpMessages();
      windows().WaitForMessage(until);
    }
  }
  std::string FileText() const {
    std::ifstream in(file_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // Every call logged so far, once each, in order.
  std::string ExpectedText() const {
    std::string text;
    for (int i = 0; i < calls_; ++i) {
      text += "FindPatient ; P" + std::to_string(i) + " ; before ; before\r\n";
    }
    return text;
  }
  bool FlushFailed() const {
    for (const auto& box : boxes_) {
      if (box.text.rfind("LinkTimer ERROR: ", 0) == 0 &&
          box.text.find("(" + file_ + ")") != std::string::npos) {
        return true;
      }
    }
    return false;
  }

  std::string folder_, file_;
  std::unique_ptr<Appl> appl_;
  int calls_ = 0;
};

TEST_F(TextOutFaultTest, FileLockedByAnotherProgram) {
  LogCalls(2);
  LetTheTimerRun();
  const HANDLE locked = ::CreateFileA(file_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  LogCalls(3);
  LetTheTimerRun();
  EXPECT_TRUE(FlushFailed());
  ::CloseHandle(locked);
  appl_.reset();  // the termination routine tries once more
  EXPECT_EQ(FileText(), ExpectedText());
}

TEST_F(TextOutFaultTest, FileReadOnly) {
  LogCalls(1);
  LetTheTimerRun();
  ASSERT_TRUE(::SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_READONLY));
  const HANDLE writable = ::CreateFileA(file_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (writable != INVALID_HANDLE_VALUE) {
    ::CloseHandle(writable);
    appl_.reset();
    GTEST_SKIP() << "the read-only attribute does not keep this process from writing (Wine maps it "
                    "to the file's permissions, which do not bind the super-user)";
  }
  LogCalls(2);
  LetTheTimerRun();
  EXPECT_TRUE(FlushFailed());
  ::SetFileAttributesA(file_.c_str(), FILE_ATTRIBUTE_NORMAL);
  appl_.reset();
  EXPECT_EQ(FileText(), ExpectedText());
}

TEST_F(TextOutFaultTest, FolderMissing) {
  const std::string workstation_folder = file_.substr(0, file_.find_last_of('\\'));
  ASSERT_TRUE(::RemoveDirectoryA(workstation_folder.c_str()));
  LogCalls(2);
  LetTheTimerRun();
  EXPECT_TRUE(FlushFailed());
  ASSERT_TRUE(::CreateDirectoryA(workstation_folder.c_str(), nullptr));
  appl_.reset();
  EXPECT_EQ(FileText(), ExpectedText());
}

// ---- The registry and the database ------------------------------------------------------------

TEST_F(FaultMatrixTest, MissingClassLibraryKeySettingsKeyOrDatabase) {
  // No settings key: text-out stays off, the application is found.
  const SimProcess& simulator = StartSimulator(kDemo);
  auto appl = AttachTo(simulator);
  EXPECT_FALSE(appl->ToFile());
  // No database: the class library has no connection to give, which the look-up reports.
  ggis type = ggiLicName;
  try {
    appl->GetGeneralInfo(type);
    ADD_FAILURE() << "GetGeneralInfo read a database that is not there";
  } catch (const AutomationError& failure) {
    EXPECT_NE(failure.number(), 0);
  }
  ExpectNextCallWorks(*appl);
  appl.reset();

  // No class library: a later InitApplication says so, without a box.
  static_cast<platform::win32::Win32Registry&>(platform_->Reg())
      .DeleteTree(platform::RegistryRoot::kLocalMachine, "Software\\Orvaclass");
  auto without = MakeAppl(1.0);
  std::string name, version;
  EXPECT_EQ(without->InitApplication(name, version), result::kInitClassLibraryMissing);
}

// A box on a machine without a desktop, with ORVABRIDGE_MESSAGE_BOXES unset: it closes by itself
// after ORVABRIDGE_MESSAGE_BOX_SECONDS (five minutes unless set), its text goes to standard error,
// and the call goes on as after OK.
TEST_F(FaultMatrixTest, MessageBoxNobodyCanCloseEndsByItself) {
  const ScopedEnvironment unset("ORVABRIDGE_MESSAGE_BOXES", std::nullopt);
  const ScopedEnvironment quick("ORVABRIDGE_MESSAGE_BOX_SECONDS", "1");
  Installation installation;
  installation.application_key = "";  // InitApplication's error box: no title prefix to take
  InstallClassLibrary(*platform_, installation);
  auto appl = MakeAppl(1.0);
  platform_->System().SetMessageBoxHandler(nullptr);  // the system's own boxes

  const auto started = Clock::now();
  std::string name, version = "NoLaunch";
  EXPECT_EQ(appl->InitApplication(name, version), result::kInitNoAnswer);
  EXPECT_LT(Clock::now() - started, 30s);
}

}  // namespace
}  // namespace orvabridge::testing
