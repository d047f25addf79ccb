// `orvactl doctor` on the in-process desktop with the simulated imaging application: a healthy
// set-up, and each of the broken set-ups a support call meets, with the line it shows, its status
// and what it says to do. The doctor only looks: nothing it runs may change the desktop.
#include <gtest/gtest.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "cli/cli.h"
#include "doctor/doctor.h"
#include "doctor/doctor_checks.h"
#include "doctor/support_bundle.h"
#include "identity/identity.h"
#include "link/thread_state.h"
#include "platform/desk/desk_survey.h"
#include "platform/desk/desktop.h"
#include "platform/runtime_failure.h"
#include "sim/desk_install.h"
#include "workbench/desk_workbench.h"

namespace orvabridge::orvactl {
namespace {

using platform::RegistryRoot;
using namespace std::chrono_literals;

constexpr auto kHklm = RegistryRoot::kLocalMachine;
constexpr const char* kSettingsKey = "Software\\Orvadent\\Orvanta\\Orvabridge";
constexpr const char* kClassId = identity::kClass.text;
constexpr const char* kLibraryId = identity::kLibrary.text;

enum Number {
  kProcess = 1,
  kClassLibrary,
  kSettings,
  kWindows,
  kAttach,
  kSession,
  kCom,
  kDatabase,
  kTrace,
  kIncidents
};

class DoctorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    link::ResetThisThread();
    workbench_ = MakeDeskWorkbench(desktop_);
  }
  void TearDown() override {
    workbench_.reset();
    link::ResetThisThread();
  }

  // The imaging application runs, with the demo user logged in unless told otherwise.
  void StartApplication(bool logged_in = true) { workbench_->StartApplication(logged_in); }

  std::vector<CheckLine> Run(platform::MachineSurvey* survey = nullptr) {
    link::ResetThisThread();  // as a fresh orvactl process
    return RunDoctor(desktop_, survey ? *survey : workbench_->Survey());
  }

  // A file of the desktop with the first bytes of a PE file for `machine`.
  void PlaceDll(const std::string& windows_path, uint16_t machine) {
    const auto host = desktop_->HostPath(windows_path);
    std::filesystem::create_directories(host.parent_path());
    std::vector<char> head(0x200, '\0');
    head[0] = 'M';
    head[1] = 'Z';
    head[0x3C] = static_cast<char>(0x80);
    head[0x80] = 'P';
    head[0x81] = 'E';
    head[0x84] = static_cast<char>(machine & 0xFF);
    head[0x85] = static_cast<char>(machine >> 8);
    std::ofstream(host, std::ios::binary)
        .write(head.data(), static_cast<std::streamsize>(head.size()));
  }

  // What regsvr32 writes for one bitness, where a 64-bit Windows keeps it: the class below
  // Classes\WOW6432Node for the 32-bit view; ProgIDs and the type library shared by both.
  void Register(RegistryRoot root, bool thirty_two_bit, const std::string& dll,
                bool type_library = true) {
    const std::string classes = "Software\\Classes\\";
    const std::string clsid =
        classes + (thirty_two_bit ? "WOW6432Node\\" : "") + "CLSID\\" + kClassId;
    desktop_->SetRegistryString(root, clsid, "", identity::kProgId);
    desktop_->SetRegistryString(root, clsid + "\\InprocServer32", "", dll);
    desktop_->SetRegistryString(root, clsid + "\\InprocServer32", "ThreadingModel", "Apartment");
    desktop_->SetRegistryString(root, clsid + "\\TypeLib", "", kLibraryId);
    for (const char* prog_id : {identity::kProgId, identity::kVersionedProgId}) {
      desktop_->SetRegistryString(root, classes + prog_id + "\\CLSID", "", kClassId);
    }
    if (type_library) {
      desktop_->SetRegistryString(root,
                                  classes + "TypeLib\\" + kLibraryId + "\\" +
                                      identity::kLibraryVersion + "\\0\\" +
                                      (thirty_two_bit ? "win32" : "win64"),
                                  "", dll);
    }
  }
  void RegisterBoth() {
    PlaceDll("C:\\Orvabridge\\x64\\Orvabridge.dll", platform::kMachineX64);
    PlaceDll("C:\\Orvabridge\\x86\\Orvabridge.dll", platform::kMachineX86);
    Register(kHklm, false, "C:\\Orvabridge\\x64\\Orvabridge.dll");
    Register(kHklm, true, "C:\\Orvabridge\\x86\\Orvabridge.dll");
  }

  std::shared_ptr<platform::desk::Desktop> desktop_ = platform::desk::Desktop::Create();
  std::unique_ptr<Workbench> workbench_;
};

#define EXPECT_LINE(lines, number, status_, text)                                              \
  do {                                                                                         \
    const CheckLine& line_ = (lines).at((number)-1);                                           \
    EXPECT_EQ(line_.status, CheckStatus::status_) << line_.finding;                            \
    EXPECT_NE(line_.finding.find(text), std::string::npos) << line_.finding;                   \
    EXPECT_EQ(line_.remedy.empty(), CheckStatus::status_ == CheckStatus::kOk) << line_.remedy; \
  } while (false)

TEST_F(DoctorTest, AHealthySetUpIsOkOnEveryLine) {
  StartApplication();
  RegisterBoth();
  const auto lines = Run();
  ASSERT_EQ(lines.size(), 10u);
  for (const CheckLine& line : lines) {
    EXPECT_EQ(line.number, &line - &lines[0] + 1);
    if (line.number == kDatabase) continue;  // depends on the build's seed database, below
    EXPECT_EQ(line.status, CheckStatus::kOk) << line.topic << ": " << line.finding;
  }
  EXPECT_LINE(lines, kProcess, kOk,
              "64-bit process on 64-bit Windows: reads the 64-bit registry view");
  EXPECT_LINE(lines, kClassLibrary, kOk,
              "ApplicationKey \"Orvanta\", Version 3.1.1199, the same in both views");
  EXPECT_LINE(lines, kSettings, kOk, "text-out mode off");
  EXPECT_LINE(lines, kWindows, kOk, "ThunderRT6MDIForm");
  EXPECT_LINE(lines, kWindows, kOk, "\"Orvanta - Dental Imaging\"");
  EXPECT_LINE(lines, kWindows, kOk, "responding");
  EXPECT_LINE(lines, kAttach, kOk, "attached to \"Orvanta\" version 3.1.1199");
  EXPECT_LINE(lines, kSession, kOk, "logged in: demo");
  EXPECT_LINE(
      lines, kCom, kOk,
      "64-bit hosts (C:\\Orvabridge\\x64\\Orvabridge.dll, for the machine) and 32-bit hosts");
  EXPECT_LINE(lines, kTrace, kOk, "trace off");
  EXPECT_LINE(lines, kIncidents, kOk, "no incidents in the last 7 days; incident files off");
  // The workbench names the seed database when the build made one.
  if (desktop_->RegistryValue(kHklm, "Software\\Orvaclass", "ConnectionString")) {
    EXPECT_LINE(lines, kDatabase, kOk, "opened read-only: Driver={SQLite3}");
  }
}

TEST_F(DoctorTest, WithoutTheClassLibraryEveryLineThatNeedsItSaysSo) {
  StartApplication();
  desktop_->DeleteRegistryKey(kHklm, "Software\\Orvaclass");
  desktop_->DeleteRegistryKey(kHklm, "Software\\WOW6432Node\\Orvaclass");
  const auto lines = Run();
  EXPECT_LINE(lines, kClassLibrary, kFail,
              "missing in both views: the class library is not installed");
  EXPECT_NE(
      lines[kClassLibrary - 1].remedy.find("create HKLM\\Software\\Orvaclass with the values"),
      std::string::npos);
  EXPECT_LINE(lines, kSettings, kWarn, "not checked");
  EXPECT_LINE(lines, kWindows, kFail, "no ApplicationKey");
  EXPECT_LINE(lines, kAttach, kFail, "returned -5: class library not installed");
  EXPECT_LINE(lines, kSession, kWarn, "not checked: not attached");
  EXPECT_LINE(lines, kDatabase, kWarn, "not checked");
}

TEST_F(DoctorTest, TheClassLibraryInOneViewOnlyIsSeenByHostsOfThatBitnessOnly) {
  StartApplication();
  desktop_->DeleteRegistryKey(kHklm, "Software\\WOW6432Node\\Orvaclass");
  auto lines = Run();
  EXPECT_LINE(lines, kClassLibrary, kWarn,
              "present only in the 64-bit view: 32-bit hosts will not see it");
  EXPECT_NE(lines[kClassLibrary - 1].remedy.find("/reg:32"), std::string::npos);
  EXPECT_LINE(lines, kAttach, kOk, "attached");

  // Only in the 32-bit view: this 64-bit process is one of those that do not see it.
  workbench_.reset();
  workbench_ = MakeDeskWorkbench(desktop_);
  StartApplication();
  desktop_->DeleteRegistryKey(kHklm, "Software\\Orvaclass");
  lines = Run();
  EXPECT_LINE(
      lines, kClassLibrary, kFail,
      "present only in the 32-bit view: this 64-bit process and 64-bit hosts do not see it");
  EXPECT_LINE(lines, kAttach, kFail, "class library not installed");

  // A 32-bit process reads the 32-bit view: there the key is, and the 64-bit view lacks it.
  struct ThirtyTwoBitProcess : platform::desk::DeskSurvey {
    using DeskSurvey::DeskSurvey;
    int ProcessBits() override { return 32; }
  } thirty_two_bit(desktop_);
  lines = Run(&thirty_two_bit);
  EXPECT_LINE(lines, kProcess, kOk,
              "32-bit process on 64-bit Windows: reads the 32-bit registry view "
              "(HKLM\\Software\\WOW6432Node)");
  EXPECT_LINE(lines, kClassLibrary, kWarn,
              "present only in the 32-bit view: 64-bit hosts will not see it");
}

TEST_F(DoctorTest, AnUnreadableVersionAndAMissingProgramAreWarnings) {
  StartApplication();
  for (const char* key : {"Software\\Orvaclass", "Software\\WOW6432Node\\Orvaclass"}) {
    desktop_->SetRegistryString(kHklm, key, "Version", "3.1");
    desktop_->SetRegistryString(kHklm, key, "ExecutablePath", "C:\\Gone\\Orvanta.exe");
  }
  const auto lines = Run();
  EXPECT_LINE(lines, kClassLibrary, kWarn, "Version \"3.1\" is not major.minor.revision");
  EXPECT_LINE(lines, kClassLibrary, kWarn,
              "ExecutablePath \"C:\\Gone\\Orvanta.exe\" does not exist");
}

TEST_F(DoctorTest, TextOutModeIsNamedWithItsFolderAndTheWorkstationsException) {
  StartApplication();
  // The folder does not exist: nothing reaches the application, and writing fails too.
  desktop_->SetRegistryString(kHklm, kSettingsKey, "OrvabridgeTXTOUT", "C:\\NoSuchFolder\\");
  auto lines = Run();
  EXPECT_LINE(lines, kSettings, kFail,
              "text-out mode ON (workstation DESKPC not in TxtOutExceptions), but its folder "
              "C:\\NoSuchFolder does not exist");
  EXPECT_NE(lines[kSettings - 1].remedy.find("clear OrvabridgeTXTOUT under HKLM\\" +
                                             std::string(kSettingsKey)),
            std::string::npos);
  EXPECT_LINE(lines, kAttach, kWarn,
              "text-out mode: InitApplication answers \"Orvanta 3.1.1199\" from the installation");
  EXPECT_LINE(lines, kSession, kWarn, "not checked");

  // The folder exists: the calls go to a file. The library would make the workstation's folder
  // in it; the doctor does not.
  desktop_->Files().CreateFolder("C:\\TextOut");
  desktop_->SetRegistryString(kHklm, kSettingsKey, "OrvabridgeTXTOUT", "C:\\TextOut");
  lines = Run();
  EXPECT_LINE(lines, kSettings, kWarn,
              "calls are written to C:\\TextOut\\DESKPC\\DESKPC.TXT and never reach the imaging "
              "application");
  EXPECT_FALSE(desktop_->Files().FolderExists("C:\\TextOut\\DESKPC"));

  // This workstation is an exception: text-out mode stays off here.
  const std::string exceptions("FRONTDESK\0DESKPC\0\0", 18);
  desktop_->SetRegistryValue(kHklm, kSettingsKey, "TxtOutExceptions", platform::kRegMultiSz,
                             std::as_bytes(std::span(exceptions)));
  lines = Run();
  EXPECT_LINE(lines, kSettings, kOk,
              "workstation DESKPC is listed in TxtOutExceptions: text-out mode off here");
  EXPECT_LINE(lines, kAttach, kOk, "attached");

  // There a relay reads the folder: a share that is not connected is said.
  desktop_->SetRegistryString(kHklm, kSettingsKey, "OrvabridgeTXTOUT", "\\\\server\\txtout\\");
  lines = Run();
  EXPECT_LINE(lines, kSettings, kWarn,
              "the folder \\\\server\\txtout does not exist or cannot be read from here: a relay");
  EXPECT_NE(lines[kSettings - 1].remedy.find("connect the share"), std::string::npos);
}

TEST_F(DoctorTest, NoImagingApplicationIsNamedAndNothingIsLaunched) {
  const auto lines = Run();
  EXPECT_LINE(lines, kWindows, kFail,
              "no window looks like the imaging application (class ThunderRT6MDIForm or "
              "ThunderMDIForm, title starting \"Orvant\")");
  EXPECT_LINE(lines, kAttach, kFail, "returned -3: no imaging application answered");
  EXPECT_LINE(lines, kSession, kWarn, "not checked: not attached");
  EXPECT_TRUE(desktop_->StartedCommandLines().empty()) << "the doctor started a program";
  EXPECT_TRUE(sim::InstalledSimulators().empty());
}

TEST_F(DoctorTest, AWindowOfTheClassWithAnotherTitleIsNotTheApplication) {
  sim::SimOptions other;
  other.application_key = "Practice";
  other.window_title = "Practice Manager";
  sim::Simulator practice(desktop_, other);
  practice.Start();
  const auto lines = Run();
  EXPECT_LINE(lines, kWindows, kFail,
              "windows of the class, but none titled \"Orvant...\": ThunderRT6MDIForm");
  EXPECT_LINE(lines, kWindows, kFail, "\"Practice Manager\"");
  EXPECT_EQ(practice.AttachRequestCount(), 0u);
}

TEST_F(DoctorTest, AHungWindowIsReportedWithoutWaitingForIt) {
  StartApplication();
  const auto simulator = sim::InstalledSimulators().front();
  desktop_->SetHungAfter(platform::Clock::duration::zero());
  // Long enough for any machine's doctor run; thawed at the end, so the test takes no longer.
  simulator->Freeze(60s);
  // Until the freeze has begun (before it, the thread would still answer a message sent to it
  // ahead of the posted freeze) and the system reports the window's thread as hung.
  for (int tries = 0; tries < 2000 && !simulator->frozen(); ++tries) {
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_TRUE(simulator->frozen());
  auto& windows = desktop_->Windows();
  for (int tries = 0; tries < 200; ++tries) {
    const auto probe =
        windows.Send(simulator->main_window(), 0, 0, 0, platform::Clock::now() + 50ms);
    if (probe.status == platform::SendStatus::kHung) break;
    std::this_thread::sleep_for(5ms);
  }
  const auto lines = Run();
  EXPECT_LINE(lines, kWindows, kFail, "no responding window of the imaging application");
  EXPECT_LINE(lines, kWindows, kFail, "hung (the system reports it)");
  EXPECT_LINE(lines, kAttach, kFail, "-3");
  simulator->Thaw();
}

TEST_F(DoctorTest, NobodyLoggedInAndAnOldVersionAreTheSessionLine) {
  StartApplication(false);
  auto lines = Run();
  EXPECT_LINE(lines, kSession, kFail,
              "nobody is logged in to the imaging application (version 3.1.1199): every request "
              "but the logins is refused with -12");
  EXPECT_NE(lines[kSession - 1].remedy.find("log in"), std::string::npos);

  // An application older than the session query cannot be asked.
  sim::ShutdownInstalledSimulators();
  sim::SimOptions old;
  old.version_build = 1101;
  sim::Simulator simulator(desktop_, old);
  simulator.Start();
  lines = Run();
  EXPECT_LINE(lines, kAttach, kOk, "version 3.1.1101");
  EXPECT_LINE(lines, kSession, kWarn,
              "version 3.1.1101, older than 3.1.1199: it cannot answer session queries");
  EXPECT_TRUE(simulator.Requests().empty()) << "the session was asked all the same";
}

TEST_F(DoctorTest, TheServerRegistrationIsCheckedPerViewWithItsFileAndMachine) {
  StartApplication();
  auto lines = Run();
  EXPECT_LINE(lines, kCom, kFail,
              "Orvabridge.Appl is not registered in either view: CreateObject(\"Orvabridge.Appl\") "
              "fails with error 429");
  EXPECT_NE(lines[kCom - 1].remedy.find("SysWOW64\\regsvr32.exe"), std::string::npos);

  // For 32-bit hosts only.
  PlaceDll("C:\\Orvabridge\\x86\\Orvabridge.dll", platform::kMachineX86);
  Register(kHklm, true, "C:\\Orvabridge\\x86\\Orvabridge.dll");
  lines = Run();
  EXPECT_LINE(lines, kCom, kWarn, "registered only for 32-bit hosts: 64-bit hosts");
  EXPECT_NE(lines[kCom - 1].remedy.find(
                "the x64 Orvabridge.dll with C:\\Windows\\System32\\regsvr32.exe"),
            std::string::npos);

  // The x64 DLL in the 32-bit view: 32-bit hosts cannot load it.
  PlaceDll("C:\\Orvabridge\\x64\\Orvabridge.dll", platform::kMachineX64);
  Register(kHklm, false, "C:\\Orvabridge\\x64\\Orvabridge.dll");
  Register(kHklm, true, "C:\\Orvabridge\\x64\\Orvabridge.dll");
  lines = Run();
  EXPECT_LINE(lines, kCom, kFail, "in the 32-bit view the class names a DLL built for x64");

  // The file went away.
  Register(kHklm, true, "C:\\Moved\\Orvabridge.dll");
  lines = Run();
  EXPECT_LINE(lines, kCom, kFail, "names C:\\Moved\\Orvabridge.dll, which does not exist");
}

TEST_F(DoctorTest, AUserRegistrationCountsAndAMissingTypeLibraryIsAWarning) {
  StartApplication();
  PlaceDll("C:\\Users\\Dana\\x64\\Orvabridge.dll", platform::kMachineX64);
  PlaceDll("C:\\Users\\Dana\\x86\\Orvabridge.dll", platform::kMachineX86);
  Register(RegistryRoot::kCurrentUser, false, "C:\\Users\\Dana\\x64\\Orvabridge.dll");
  Register(RegistryRoot::kCurrentUser, true, "C:\\Users\\Dana\\x86\\Orvabridge.dll",
           /*type_library=*/false);
  const auto lines = Run();
  EXPECT_LINE(lines, kCom, kWarn,
              "in the 32-bit view the type library " + std::string(kLibraryId) +
                  " is not registered for 32-bit hosts");
  EXPECT_NE(lines[kCom - 1].details[0].find("(for the user)"), std::string::npos);
}

TEST_F(DoctorTest, TheConnectionStringIsOpenedOrItsFailureNamedWithoutItsPassword) {
  StartApplication();
  for (const char* key : {"Software\\Orvaclass", "Software\\WOW6432Node\\Orvaclass"}) {
    desktop_->SetRegistryString(kHklm, key, "ConnectionString", "");
  }
  auto lines = Run();
  EXPECT_LINE(lines, kDatabase, kWarn,
              "no ConnectionString: GetGeneralInfo and GetCurrentPatientFolder cannot read");

  desktop_->SetRegistryString(kHklm, "Software\\Orvaclass", "ConnectionString",
                              "Driver={No Such Driver};UID=orva;PWD=secret");
  lines = Run();
  EXPECT_LINE(lines, kDatabase, kFail, "cannot open Driver={No Such Driver};UID=orva;PWD=***: ");
  EXPECT_EQ(lines[kDatabase - 1].finding.find("secret"), std::string::npos);
  EXPECT_NE(lines[kDatabase - 1].remedy.find("64-bit programs"), std::string::npos);
}

// A database service whose connections never come back until released: a server that does not
// answer, behind a driver without a login time-out.
class SilentDatabase final : public platform::Database {
 public:
  struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool released = false;
  };
  explicit SilentDatabase(std::shared_ptr<Gate> gate) : gate_(std::move(gate)) {}
  std::unique_ptr<platform::DbConnection> Connect(std::string_view) override {
    std::unique_lock lock(gate_->mutex);
    gate_->opened.wait(lock, [&] { return gate_->released; });
    throw RuntimeFailure(3704, "released");
  }

 private:
  std::shared_ptr<Gate> gate_;
};

TEST_F(DoctorTest, ADatabaseThatDoesNotAnswerHoldsTheDoctorNoLongerThanItsBound) {
  StartApplication();
  desktop_->SetRegistryString(kHklm, "Software\\Orvaclass", "ConnectionString",
                              "Driver={Remote};Server=db.practice.example");
  auto gate = std::make_shared<SilentDatabase::Gate>();
  desktop_->SetDatabase(std::make_unique<SilentDatabase>(gate));
  DoctorOptions options;
  options.database_wait = 50ms;
  link::ResetThisThread();
  const auto lines = RunDoctor(desktop_, workbench_->Survey(), options);
  EXPECT_LINE(lines, kDatabase, kFail,
              "opening Driver={Remote};Server=db.practice.example gave no answer within 50 ms");
  // Let the abandoned attempt end, and wait until it has let go of the desktop.
  {
    std::lock_guard lock(gate->mutex);
    gate->released = true;
  }
  gate->opened.notify_all();
  workbench_.reset();
  for (int tries = 0; tries < 500 && desktop_.use_count() > 1; ++tries) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(desktop_.use_count(), 1);
}

TEST_F(DoctorTest, AClassThatIsNotApartmentThreadedIsAWarning) {
  StartApplication();
  RegisterBoth();
  desktop_->SetRegistryString(
      kHklm, std::string("Software\\Classes\\CLSID\\") + kClassId + "\\InprocServer32",
      "ThreadingModel", "Free");
  const auto lines = Run();
  EXPECT_LINE(lines, kCom, kWarn,
              "in the 64-bit view the class's ThreadingModel is \"Free\", not Apartment");
}

TEST_F(DoctorTest, TheTraceIsReportedFromTheVariableThatWinsOrTheSetting) {
  StartApplication();
  desktop_->SetRegistryString(kHklm, kSettingsKey, "Trace", "C:\\Traces\\orva-%p.txt");
  auto lines = Run();
  EXPECT_LINE(lines, kTrace, kWarn, "but the folder C:\\Traces does not exist: nothing is traced");
  EXPECT_EQ(lines[kTrace - 1].finding.find("%p"), std::string::npos) << "the process id stands in";

  desktop_->Files().CreateFolder("C:\\Traces");
  lines = Run();
  EXPECT_LINE(lines, kTrace, kOk, "the trace goes to C:\\Traces\\orva-");
  EXPECT_LINE(lines, kTrace, kOk, "(from HKLM\\Software\\Orvadent\\Orvanta\\Orvabridge \"Trace\")");
  EXPECT_FALSE(std::filesystem::exists(
      desktop_->HostPath("C:\\Traces\\orva-" + std::to_string(::getpid()) + ".txt")))
      << "the doctor's own calls wrote a trace";

  // The variable wins, also when it is empty.
  desktop_->SetEnvironment("ORVABRIDGE_TRACE", "C:\\Temp\\trace.txt");
  lines = Run();
  EXPECT_LINE(lines, kTrace, kOk, "the trace goes to C:\\Temp\\trace.txt (from ORVABRIDGE_TRACE)");
  desktop_->SetEnvironment("ORVABRIDGE_TRACE", "");
  lines = Run();
  EXPECT_LINE(lines, kTrace, kOk, "trace off (ORVABRIDGE_TRACE is set and empty)");
}

TEST_F(DoctorTest, IncidentsOfTheLastSevenDaysAreListedWithTheRequestThatEndedThem) {
  desktop_->SetEnvironment("ORVABRIDGE_FLIGHT_RECORDER", "1");
  const std::string folder = *desktop_->System().LocalAppDataFolder() + "\\Orvabridge";
  desktop_->Files().CreateFolder(folder);
  desktop_->Files().CreateFolder(folder + "\\incidents");
  const platform::LocalTime now = desktop_->System().LocalNow();
  char today[16];
  std::snprintf(today, sizeof today, "%04d%02d%02d", now.year, now.month, now.day);
  desktop_->Files().WriteFileDurably(
      folder + "\\incidents\\" + today + "-081000-4242.txt",
      "Orvabridge incident\r\ntime: now\r\nreason: no reply in time (-6)\r\nmember: "
      "FindPatient\r\nresult: -6 (no reply in time)\r\nrequest: request 1003, 584 bytes: no "
      "reply in time, 5000120 us\r\n\r\nevents ...\r\n");
  desktop_->Files().WriteFileDurably(folder + "\\incidents\\20200101-000000-1.txt",
                                     "Orvabridge incident\r\nmember: OldOne\r\n");
  const auto lines = Run();
  EXPECT_LINE(lines, kIncidents, kWarn,
              "1 incident(s) in the last 7 days, the latest: now FindPatient = -6 (no reply in "
              "time); request 1003, 584 bytes: no reply in time");
  EXPECT_NE(lines[kIncidents - 1].remedy.find("orvactl support-bundle"), std::string::npos);
  EXPECT_EQ(lines[kIncidents - 1].finding.find("OldOne"), std::string::npos);
}

// What a shell command prints, and its exit status.
std::pair<std::string, int> Shell(const std::string& command) {
  std::string output;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return {"(no pipe)", -1};
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, got);
  return {output, ::pclose(pipe)};
}

TEST_F(DoctorTest, TheSupportBundleHoldsReportIncidentsAndSettingsAndTracesOnlyWithValues) {
  StartApplication();
  desktop_->SetRegistryString(kHklm, kSettingsKey, "Trace", "C:\\Traces\\orva-%p.txt");
  desktop_->Files().CreateFolder("C:\\Traces");
  desktop_->Files().WriteFileDurably("C:\\Traces\\orva-77.txt", "call FindPatient(\"Lind\")");
  desktop_->Files().WriteFileDurably("C:\\Traces\\orva-77.txt.1", "older");
  desktop_->Files().WriteFileDurably("C:\\Traces\\other.txt", "not a trace of ours");
  const std::string incidents = *desktop_->System().LocalAppDataFolder() + "\\Orvabridge";
  desktop_->Files().CreateFolder(incidents);
  desktop_->Files().CreateFolder(incidents + "\\incidents");
  for (const char* name : {"20261201-101010-5.txt", "20261202-101010-5.txt"}) {
    desktop_->Files().WriteFileDurably(incidents + "\\incidents\\" + name,
                                       "Orvabridge incident\r\nmember: FindPatient\r\n");
  }
  const std::filesystem::path zip = desktop_->HostPath("C:\\Temp") / "bundle.zip";
  const auto bundle = [&] {
    std::ostringstream out, err;
    auto desktop = desktop_;
    const std::vector<std::string> args{"support-bundle", zip.string()};
    EXPECT_EQ(RunOrvactl(args, out, err, [desktop] { return MakeDeskWorkbench(desktop); }),
              exit_status::kSuccess)
        << err.str();
    return out.str();
  };

  std::string printed = bundle();
  EXPECT_NE(printed.find("incidents/20261201-101010-5.txt (an incident file)"), std::string::npos)
      << printed;
  EXPECT_NE(printed.find("left out:\n  C:\\Traces\\orva-77.txt: a trace holds patient data"),
            std::string::npos)
      << printed;
  auto [tested, status] = Shell("unzip -t '" + zip.string() + "'");
  EXPECT_EQ(status, 0) << tested;
  EXPECT_NE(tested.find("No errors detected"), std::string::npos) << tested;
  auto [listed, list_status] = Shell("unzip -Z1 '" + zip.string() + "' | sort | tr '\\n' ' '");
  EXPECT_EQ(listed,
            "README.txt doctor.json incidents/20261201-101010-5.txt "
            "incidents/20261202-101010-5.txt settings.txt versions.txt ");
  const std::string settings = Shell("unzip -p '" + zip.string() + "' settings.txt").first;
  EXPECT_NE(settings.find("HKLM\\Software\\Orvaclass ConnectionString = "), std::string::npos)
      << settings;
  EXPECT_EQ(MaskPasswords("Driver={SQL Server};pwd=hunter2;UID=sa; Password = x y"),
            "Driver={SQL Server};pwd=***;UID=sa; Password =***");
  EXPECT_NE(Shell("unzip -p '" + zip.string() + "' doctor.json").first.find("{\"summary\":"),
            std::string::npos);
  EXPECT_NE(Shell("unzip -p '" + zip.string() + "' README.txt").first.find("Left out:"),
            std::string::npos);

  // Values switched on: the traces go in too.
  desktop_->SetEnvironment("ORVABRIDGE_FLIGHT_RECORDER_VALUES", "1");
  printed = bundle();
  EXPECT_EQ(printed.find("left out"), std::string::npos) << printed;
  listed = Shell("unzip -Z1 '" + zip.string() + "' 'traces/*' | sort | tr '\\n' ' '").first;
  EXPECT_EQ(listed, "traces/orva-77.txt traces/orva-77.txt.1 ");
  EXPECT_EQ(Shell("unzip -t '" + zip.string() + "'").second, 0);
}

TEST_F(DoctorTest, TheCommandPrintsTheChecklistAndFailsWhenALineFails) {
  std::ostringstream out, err;
  auto desktop = desktop_;
  const std::vector<std::string> args{"--json", "doctor"};
  workbench_.reset();
  const int status = RunOrvactl(args, out, err, [desktop] { return MakeDeskWorkbench(desktop); });
  // The in-process desktop says it is one; Windows' own checks cannot apply there and count
  // towards nothing.
  EXPECT_EQ(status, exit_status::kSuccess) << err.str();
  const std::string json = out.str();
  EXPECT_EQ(json.rfind("{\"summary\":{\"ok\":", 0), 0u) << json;
  EXPECT_NE(json.find("\"not_applicable\":2},\"simulated_desktop\":true"), std::string::npos)
      << json;
  EXPECT_NE(json.find("{\"number\":1,\"check\":\"process\",\"status\":\"N/A\""), std::string::npos);
  EXPECT_NE(json.find("{\"number\":7,\"check\":\"com\",\"status\":\"N/A\""), std::string::npos);
  EXPECT_NE(json.find("{\"number\":6,\"check\":\"session\",\"status\":\"OK\""), std::string::npos);
  EXPECT_EQ(json.find("\"number\":11"), std::string::npos);
  EXPECT_TRUE(err.str().empty()) << err.str();

  out.str("");
  const std::vector<std::string> logged_out{"--logged-out", "doctor"};
  EXPECT_EQ(RunOrvactl(logged_out, out, err, [desktop] { return MakeDeskWorkbench(desktop); }),
            exit_status::kOtherResult);
  EXPECT_NE(out.str().find(" 6  FAIL  session        nobody is logged in"), std::string::npos)
      << out.str();
  EXPECT_EQ(out.str().rfind(std::string(kSimulatedDesktopNote), 0), 0u) << out.str();
  EXPECT_NE(out.str().find(" 7  N/A   com            "), std::string::npos) << out.str();
  EXPECT_NE(out.str().find(" FAIL, 2 N/A\n"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace orvabridge::orvactl
