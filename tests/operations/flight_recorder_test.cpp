// The flight recorder and its incident files: what support reads after a fault at a practice
// that never switched a trace on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <random>
#include <set>

#include "environment/flight_recorder.h"
#include "environment/incident_files.h"
#include "link/call_recorder.h"
#include "operations/attached_fixture.h"
#include "support/test_platform.h"
#include "support/thread_runner.h"

namespace orvabridge::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class FlightRecorderTest : public AttachedTest {
 protected:
  void SetUp() override {
    AttachedTest::SetUp();
    saved_local_ = platform_->System().Environment("LOCALAPPDATA");
    local_ = "C:\\appdata-" + std::to_string(std::random_device{}());
    platform_->Files().CreateFolder(local_);
    SetTestEnvironment(*platform_, "LOCALAPPDATA", local_);
    ClearSettings();
    environment::FlightRecorder::Process().Clear();
    environment::IncidentGate::Process().Reset();
  }
  void TearDown() override {
    ClearSettings();
    SetTestEnvironment(*platform_, "LOCALAPPDATA", saved_local_);
    environment::IncidentGate::Process().Reset();
    AttachedTest::TearDown();
  }

  void ClearSettings() {
    SetTestEnvironment(*platform_, environment::kFlightRecorderVariable, std::nullopt);
    SetTestEnvironment(*platform_, environment::kRecorderValuesVariable, std::nullopt);
    if (auto key = platform_->Reg().OpenKey(platform::RegistryRoot::kLocalMachine,
                                            environment::kPackageKey, platform::kKeyCreate)) {
      key->DeleteValue(environment::kFlightRecorderValue);
      key->DeleteValue(environment::kRecorderValuesValue);
    }
  }
  void SetSwitch(const char* name, uint32_t value) {
    auto key = platform_->Reg().CreateKey(platform::RegistryRoot::kLocalMachine,
                                          environment::kPackageKey, "", platform::kKeyCreate);
    ASSERT_TRUE(key);
    std::byte data[4];
    std::memcpy(data, &value, sizeof value);
    ASSERT_EQ(key->SetValue(name, platform::kRegDword, data), platform::RegStatus::kOk);
  }

  std::string Folder() const { return local_ + "\\Orvabridge\\incidents"; }
  std::vector<std::string> Incidents() {
    if (!platform_->Files().FolderExists(Folder())) return {};
    auto names = platform_->Files().FilesInFolder(Folder());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string OnlyIncident() {
    const auto names = Incidents();
    EXPECT_EQ(names.size(), 1u);
    if (names.empty()) return "(no file)";
    return ReadTestFile(*platform_, Folder() + "\\" + names.front()).value_or("(unreadable)");
  }
  int32_t FindUnanswered(std::string id = "Müller-4711") {
    std::string first = "Zoë", last = "Brandt";
    return appl_->FindPatient(id, first, last);
  }

  std::string local_;
  std::optional<std::string> saved_local_;
};

TEST_F(FlightRecorderTest, WithoutTheSettingEventsStayInMemoryAndNoFileIsWritten) {
  Start();
  EXPECT_EQ(FindUnanswered(), -6);
  EXPECT_FALSE(platform_->Files().FolderExists(local_ + "\\Orvabridge"));
  const auto events = environment::FlightRecorder::Process().Snapshot();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().kind, environment::EventKind::kReturn);
  EXPECT_EQ(events.back().number, -6);

  // Switched on in the registry, off for this program by the environment; 0 in the registry.
  SetSwitch(environment::kFlightRecorderValue, 1);
  SetTestEnvironment(*platform_, environment::kFlightRecorderVariable, "0");
  Start();
  EXPECT_EQ(FindUnanswered(), -6);
  SetTestEnvironment(*platform_, environment::kFlightRecorderVariable, std::nullopt);
  SetSwitch(environment::kFlightRecorderValue, 0);
  Start();
  EXPECT_EQ(FindUnanswered(), -6);
  EXPECT_TRUE(Incidents().empty());
}

TEST_F(FlightRecorderTest, ATimeOutWritesTheEventsInOrderWithoutPatientText) {
  SetSwitch(environment::kFlightRecorderValue, 1);
  Start();
  EXPECT_EQ(FindUnanswered(), -6);
  const auto names = Incidents();
  ASSERT_EQ(names.size(), 1u);
  EXPECT_TRUE(environment::IsIncidentFileName(names.front())) << names.front();
  EXPECT_THAT(names.front(),
              HasSubstr("-" + std::to_string(platform_->System().ProcessId()) + ".txt"));

  const std::string file = OnlyIncident();
  EXPECT_THAT(file, HasSubstr("reason: no reply in time (-6)\r\n"));
  EXPECT_THAT(file, HasSubstr("member: FindPatient\r\n"));
  EXPECT_THAT(file, HasSubstr("result: -6 (no reply in time)\r\n"));
  EXPECT_THAT(file, HasSubstr("request: request 1003, 584 bytes: no reply in time, "));
  EXPECT_THAT(file, HasSubstr("bit\r\n"));
  EXPECT_THAT(file, HasSubstr("setting FlightRecorder: on (registry)"));
  EXPECT_THAT(file, HasSubstr("imaging application: "));
  const size_t call = file.find(
      "call FindPatient(PatID=(11 characters), FName=(3 characters), "
      "LName=(6 characters))");
  const size_t guard = file.find("guard: passed", call);
  const size_t request = file.find("request 1003, 584 bytes", guard);
  const size_t result = file.find("return FindPatient = -6", request);
  EXPECT_TRUE(call != file.npos && guard != file.npos && request != file.npos &&
              result != file.npos)
      << file;
  for (const char* patient : {"Müller", "4711", "Zoë", "Brandt"}) {
    EXPECT_THAT(file, Not(HasSubstr(patient)));
  }
}

TEST_F(FlightRecorderTest, AnAutomationErrorOrAMessageBoxWritesAFileOncePerMinute) {
  SetTestEnvironment(*platform_, environment::kFlightRecorderVariable, "1");
  Start();
  BreakSessionReplies();
  std::string id = "P-1";
  EXPECT_THROW(appl_->ShowPatient(id), AutomationError);
  std::string file = OnlyIncident();
  EXPECT_THAT(file, HasSubstr("reason: automation error -100"));
  EXPECT_THAT(file, HasSubstr("member: ShowPatient\r\n"));
  EXPECT_THAT(file, HasSubstr("error ShowPatientEx: -100 Orvabridge.Appl.ShowPatientEx"));
  EXPECT_THAT(file, HasSubstr("setting FlightRecorder: on (environment)"));

  // Within the minute: no second file; the next one says how many were held back.
  EXPECT_THROW(appl_->ShowPatient(id), AutomationError);
  EXPECT_EQ(Incidents().size(), 1u);

  const auto names = Incidents();
  platform_->Files().RemoveFile(Folder() + "\\" + names.front());
  environment::IncidentGate& gate = environment::IncidentGate::Process();
  const uint64_t held_back = gate.TakeHeldBack();
  EXPECT_EQ(held_back, 1u);
  gate.Reset();
  Installation empty_key;
  empty_key.application_key.clear();
  InstallClassLibrary(*platform_, empty_key);
  auto appl = MakeAppl();
  std::string name, version;
  EXPECT_EQ(appl->InitApplication(name, version), -3);
  ASSERT_FALSE(boxes_.empty());
  file = OnlyIncident();
  EXPECT_THAT(file, HasSubstr("reason: a message box"));
  EXPECT_THAT(file, HasSubstr("message box: "));
}

TEST_F(FlightRecorderTest, AWindowGoneWhileAttachedAndARequestHeldBackFromAHungOneAreIncidents) {
  SetSwitch(environment::kFlightRecorderValue, 1);
  Start();
  peer_->DestroyWindows();
  EXPECT_EQ(FindUnanswered(), -4);
  EXPECT_THAT(OnlyIncident(),
              HasSubstr("reason: the control window went away while attached (-4)"));

  // Not attached in the first place: -4 is the usual answer, not an incident.
  platform_->Files().RemoveFile(Folder() + "\\" + Incidents().front());
  environment::IncidentGate::Process().Reset();
  EXPECT_EQ(FindUnanswered(), -4);
  EXPECT_TRUE(Incidents().empty());

  // A login that refuses its change-rights method answers -6 without asking the application.
  Start();
  std::string login = "anna", password = "secret";
  int32_t change_rights = 7;
  EXPECT_EQ(appl_->UserLogin(login, password, nullptr, nullptr, nullptr, nullptr, nullptr,
                             &change_rights),
            -6);
  EXPECT_TRUE(Incidents().empty());

  // A request the system would not hand to a hung application, reported by the exchange.
  Start();
  link::CallRecorder& recorder = core().recorder();
  const api::Member& member = api::MemberNamed("FindImages");
  const auto started = recorder.Begin(member, {});
  recorder.Request({.code = channel::command::kFindImages,
                    .bytes_sent = channel::image::kSize,
                    .send_status = platform::SendStatus::kHung});
  const int32_t result = 0;
  recorder.Returned(started, member, &result);
  const std::string file = OnlyIncident();
  EXPECT_THAT(file, HasSubstr("reason: a request was not sent: the application is hung"));
  EXPECT_THAT(file, HasSubstr("not sent: the application is hung"));
}

TEST_F(FlightRecorderTest, TheGateLetsOneFileAMinuteThrough) {
  environment::IncidentGate gate;
  const auto t0 = std::chrono::steady_clock::time_point(std::chrono::hours(1));
  EXPECT_TRUE(gate.Admit(t0));
  EXPECT_FALSE(gate.Admit(t0 + std::chrono::seconds(59)));
  EXPECT_FALSE(gate.Admit(t0 + std::chrono::seconds(30)));
  EXPECT_TRUE(gate.Admit(t0 + std::chrono::seconds(60)));
  EXPECT_EQ(gate.TakeHeldBack(), 2u);
  EXPECT_EQ(gate.TakeHeldBack(), 0u);
}

TEST_F(FlightRecorderTest, TheFolderKeepsTwentyFilesAndNoCutOne) {
  SetSwitch(environment::kFlightRecorderValue, 1);
  platform_->Files().CreateFolder(local_ + "\\Orvabridge");
  platform_->Files().CreateFolder(Folder());
  for (int i = 10; i < 32; ++i) {
    char name[40];
    std::snprintf(name, sizeof name, "\\202501%02d-000000-%d.txt", i - 8, i);
    platform_->Files().WriteFileDurably(Folder() + name, "old");
  }
  platform_->Files().WriteFileDurably(Folder() + "\\20250101-000000-7.txt.new", "cut");
  platform_->Files().WriteFileDurably(Folder() + "\\notes.txt", "the practice's own");
  Start();
  EXPECT_EQ(FindUnanswered(), -6);
  auto names = Incidents();
  EXPECT_EQ(std::count_if(names.begin(), names.end(), environment::IsIncidentFileName), 20);
  EXPECT_EQ(std::count(names.begin(), names.end(), "notes.txt"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "20250102-000000-10.txt"), 0) << "oldest go";
  EXPECT_EQ(std::count(names.begin(), names.end(), "20250104-000000-12.txt"), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), "20250105-000000-13.txt"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "20250101-000000-7.txt.new"), 0);
}

TEST_F(FlightRecorderTest, ValuesOnlyWhenSwitchedOnAndSecretsNever) {
  SetSwitch(environment::kFlightRecorderValue, 1);
  SetSwitch(environment::kRecorderValuesValue, 1);
  Start();
  std::string name = "doc", password = "s3cret-word";
  std::string admin = "boss", admin_password = "an0ther-word";
  EXPECT_EQ(appl_->UserLogin(name, password, &admin, &admin_password), -7);
  std::string file = OnlyIncident();
  EXPECT_THAT(file, HasSubstr("call UserLogin(LoginName=\"doc\", Password=***, "
                              "AdminLoginName=\"boss\", AdminPassword=***"));
  EXPECT_THAT(file, HasSubstr("setting FlightRecorderValues: on (registry)"));
  EXPECT_THAT(file, Not(HasSubstr("s3cret")));
  EXPECT_THAT(file, Not(HasSubstr("an0ther")));

  platform_->Files().RemoveFile(Folder() + "\\" + Incidents().front());
  environment::IncidentGate::Process().Reset();
  SetSwitch(environment::kRecorderValuesValue, 0);
  Start();
  password.clear();
  EXPECT_EQ(appl_->UserLogin(name, password), -7);
  file = OnlyIncident();
  EXPECT_THAT(file, HasSubstr("call UserLogin(LoginName=(3 characters), Password=*** (empty), "
                              "AdminLoginName=(omitted)"));
}

TEST_F(FlightRecorderTest, AFolderThatCannotBeWrittenChangesNothingAndIsCounted) {
  SetSwitch(environment::kFlightRecorderValue, 1);
  const uint64_t lost = environment::LostIncidentFiles();
  SetTestEnvironment(*platform_, "LOCALAPPDATA", local_ + "\\missing");
  Start();
  EXPECT_EQ(FindUnanswered(), -6);
  EXPECT_EQ(environment::LostIncidentFiles(), lost + 1);

  // A file where the folder of ours should be.
  SetTestEnvironment(*platform_, "LOCALAPPDATA", local_);
  platform_->Files().WriteFileDurably(local_ + "\\Orvabridge", "in the way");
  environment::IncidentGate::Process().Reset();
  Start();
  EXPECT_EQ(FindUnanswered(), -6);
  EXPECT_EQ(environment::LostIncidentFiles(), lost + 2);

  platform_->Files().RemoveFile(local_ + "\\Orvabridge");
  environment::IncidentGate::Process().Reset();
  Start();
  EXPECT_EQ(FindUnanswered(), -6);
  EXPECT_THAT(OnlyIncident(), HasSubstr("incident files lost: " + std::to_string(lost + 2)));
  EXPECT_EQ(environment::LostIncidentFiles(), 0u);
}

TEST_F(FlightRecorderTest, ObjectsOnSeveralThreadsShareOneBoundedRing) {
  appl_.reset();
  peer_.reset();  // nothing to attach to: every call ends in the guard, quickly
  environment::FlightRecorder::Process().Clear();
  std::vector<std::unique_ptr<ThreadRunner>> runners;
  for (int i = 0; i < 3; ++i) {
    runners.push_back(std::make_unique<ThreadRunner>(platform_->Windows()));
  }
  for (auto& runner : runners) {
    runner->Run([&] {
      auto appl = MakeAppl();
      for (int call = 0; call < 40; ++call) appl->GetSessionInfo();
    });
  }
  runners.clear();  // waits for each thread's calls, and ends it
  const auto events = environment::FlightRecorder::Process().Snapshot();
  EXPECT_EQ(events.size(), environment::FlightRecorder::kCapacity);
  std::set<uint32_t> threads, objects;
  for (size_t i = 0; i < events.size(); ++i) {
    if (i > 0) {
      EXPECT_EQ(events[i].sequence, events[i - 1].sequence + 1);
    }
    threads.insert(events[i].thread);
    objects.insert(events[i].object);
    if (events[i].kind == environment::EventKind::kCall) {
      EXPECT_EQ(events[i].member, "GetSessionInfo");
    }
  }
  EXPECT_EQ(threads.size(), 3u);
  EXPECT_EQ(objects.size(), 3u);
}

}  // namespace
}  // namespace orvabridge::testing
