// The trace of member calls: what a support engineer reads when a practice reports a problem.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "environment/trace_log.h"
#include "operations/attached_fixture.h"
#include "support/test_platform.h"

namespace orvabridge::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class TraceTest : public AttachedTest {
 protected:
  void SetUp() override {
    AttachedTest::SetUp();
    folder_ = "C:\\trace-" + std::to_string(std::random_device{}());
    SetTestEnvironment(*platform_, environment::kTraceVariable, std::nullopt);
  }
  void TearDown() override {
    SetTestEnvironment(*platform_, environment::kTraceVariable, std::nullopt);
    AttachedTest::TearDown();
  }

  // Traces into `file` of the test's folder from the next Appl on (the setting is read when an
  // object is made).
  std::string TraceTo(const std::string& file, bool make_folder = true) {
    if (make_folder && !platform_->Files().FolderExists(folder_)) {
      platform_->Files().CreateFolder(folder_);
    }
    const std::string path = folder_ + "\\" + file;
    SetMachineSetting("Orvabridge", "Trace", path);
    return path;
  }
  std::string Read(const std::string& path) {
    return ReadTestFile(*platform_, path).value_or("(no file)");
  }
  std::string Pid() { return std::to_string(platform_->System().ProcessId()); }

  std::string folder_;
};

TEST_F(TraceTest, ACallIsTracedWithItsArgumentsGuardsRequestsAndResult) {
  const std::string path = TraceTo("orva-%p.log");
  Start();
  Answer(channel::command::kFindPatient, [&] {
    std::vector<std::byte> reply(channel::find_patient::kSize);
    codec().WriteText(reply, channel::find_patient::kFirstName, "Zoë");
    channel::WriteI32(reply, channel::find_patient::kFound, 1);
    return reply;
  });
  std::string id = "P-1", first, last;
  ASSERT_EQ(appl_->FindPatient(id, first, last), 1);

  const std::string trace = Read(folder_ + "\\orva-" + Pid() + ".log");
  EXPECT_THAT(trace, HasSubstr("call FindPatient(PatID=\"P-1\", FName=\"\", LName=\"\")"));
  EXPECT_THAT(trace, HasSubstr("guard: passed"));
  EXPECT_THAT(trace, HasSubstr("request 1500, 26236 bytes: reply 1500, 26236 bytes, "));
  EXPECT_THAT(trace, HasSubstr("request 1003, 584 bytes: reply 1003, 584 bytes, "));
  EXPECT_THAT(trace, HasSubstr("return FindPatient = 1 (PatID=\"P-1\", FName=\"Zoë\""));
  // Every line: local time to the millisecond, process and thread.
  const std::regex line(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[)" + Pid() + R"(:\d+\] .+)");
  std::istringstream lines(trace);
  int count = 0;
  for (std::string text; std::getline(lines, text); ++count) {
    ASSERT_FALSE(text.empty() || text.back() != '\r') << "lines end with CR LF";
    text.pop_back();
    EXPECT_TRUE(std::regex_match(text, line)) << text;
  }
  EXPECT_GE(count, 5);
  EXPECT_THAT(path, HasSubstr("%p")) << "the setting keeps its pattern; the file gets the id";
}

TEST_F(TraceTest, PasswordsNeverReachTheTraceAndRaisedErrorsAreTraced) {
  const std::string path = TraceTo("secrets.log");
  Start();
  std::string name = "doc", password = "s3cret-word";
  std::string admin = "boss", admin_password = "an0ther-word";
  appl_->UserLogin(name, password, &admin, &admin_password);
  BreakSessionReplies();
  std::string id = "P-1";
  EXPECT_THROW(appl_->ShowPatient(id), AutomationError);

  const std::string trace = Read(path);
  EXPECT_THAT(trace, HasSubstr("call UserLogin(LoginName=\"doc\", Password=***, "
                               "AdminLoginName=\"boss\", AdminPassword=***"));
  EXPECT_THAT(trace, Not(HasSubstr("s3cret")));
  EXPECT_THAT(trace, Not(HasSubstr("an0ther")));
  EXPECT_THAT(trace, HasSubstr("call ShowPatient(PatID=\"P-1\")"));
  EXPECT_THAT(trace, HasSubstr("error ShowPatientEx: -100 Orvabridge.Appl.ShowPatientEx: "));
  EXPECT_THAT(trace, HasSubstr("error ShowPatient: -100"));
}

TEST_F(TraceTest, TextsTheCodePageCannotHoldAreCountedPerArgumentNeverShown) {
  const std::string path = TraceTo("code-page.log");
  Start();
  std::string id = "山田-1", first = "Łukasz", last;  // FName is an output: not counted
  appl_->FindPatient(id, first, last);
  std::string name = "Zoë", password = "пароль";
  appl_->UserLogin(name, password);

  const std::string trace = Read(path);
  EXPECT_THAT(trace, HasSubstr("text PatID: 2 characters the ANSI code page 1252 cannot hold "
                               "arrived replaced"));
  EXPECT_THAT(trace, Not(HasSubstr("text FName")));
  EXPECT_THAT(trace, Not(HasSubstr("text LoginName"))) << "ë is in code page 1252";
  EXPECT_THAT(trace, HasSubstr("text Password: 6 characters"));
  EXPECT_THAT(trace, Not(HasSubstr("пароль")));
}

TEST_F(TraceTest, TheEnvironmentWinsEvenWhenEmptyAndOffMeansNoFile) {
  const std::string from_registry = TraceTo("registry.log");
  const std::string from_environment = folder_ + "\\environment.log";
  SetTestEnvironment(*platform_, environment::kTraceVariable, from_environment);
  Start();
  EXPECT_EQ(appl_->GetSessionInfo(), 1);
  EXPECT_THAT(Read(from_environment), HasSubstr("call GetSessionInfo("));
  EXPECT_EQ(Read(from_registry), "(no file)");

  SetTestEnvironment(*platform_, environment::kTraceVariable, "");
  Start();
  EXPECT_EQ(appl_->GetSessionInfo(), 1);
  EXPECT_EQ(Read(from_registry), "(no file)");
  EXPECT_EQ(core().trace(), nullptr);
}

TEST_F(TraceTest, AnUnwritableTraceChangesNothingAndTheNextWritableOneSaysWhatWasLost) {
  const std::string path = TraceTo("late.log", false);  // the folder does not exist yet
  Start();
  std::string id = "P-1", first, last;
  Answer(channel::command::kFindPatient, [&] {
    std::vector<std::byte> reply(channel::find_patient::kSize);
    channel::WriteI32(reply, channel::find_patient::kFound, 1);
    return reply;
  });
  EXPECT_EQ(appl_->FindPatient(id, first, last), 1);
  EXPECT_EQ(Read(path), "(no file)");

  platform_->Files().CreateFolder(folder_);
  Start();
  EXPECT_EQ(appl_->GetSessionInfo(), 1);
  EXPECT_EQ(appl_->GetSessionInfo(), 1);
  const std::string trace = Read(path);
  const std::string said = "trace line(s) could not be written";
  const auto note = trace.find(said);
  ASSERT_NE(note, std::string::npos) << trace;
  EXPECT_EQ(trace.find(said, note + said.size()), std::string::npos) << "said once";
  EXPECT_LT(note, trace.find("call GetSessionInfo")) << "before the first line it could write";
}

TEST_F(TraceTest, AMessageBoxIsTracedWithItsText) {
  SetTestEnvironment(*platform_, environment::kTraceVariable, folder_ + "\\boxes.log");
  platform_->Files().CreateFolder(folder_);
  Installation empty_key;
  empty_key.application_key.clear();
  InstallClassLibrary(*platform_, empty_key);
  auto appl = MakeAppl();
  std::string name, version;
  EXPECT_EQ(appl->InitApplication(name, version), -3);
  ASSERT_FALSE(boxes_.empty());
  EXPECT_THAT(Read(folder_ + "\\boxes.log"), HasSubstr(boxes_.front().text));
}

// The file itself: bounded, one older file kept.
class TraceFileTest : public ::testing::Test {
 protected:
  std::shared_ptr<platform::Platform> platform_ = MakeTestPlatform();
  std::string folder_ = "C:\\trace-file-" + std::to_string(std::random_device{}());
};

TEST_F(TraceFileTest, AFileThatWouldPassItsLimitMakesWayForANewOneAndOnlyOneOlderIsKept) {
  platform_->Files().CreateFolder(folder_);
  const std::string path = folder_ + "\\bounded.log";
  environment::TraceLog trace(platform_->Files(), platform_->System(), path, 1, 400);
  for (int i = 0; i < 30; ++i) trace.Line("line " + std::to_string(i) + std::string(20, '.'));
  const auto current = ReadTestFile(*platform_, path);
  const auto older = ReadTestFile(*platform_, path + ".1");
  ASSERT_TRUE(current && older);
  EXPECT_LE(current->size(), 400u);
  EXPECT_LE(older->size(), 400u);
  EXPECT_THAT(*current, HasSubstr("line 29."));
  EXPECT_THAT(*older, Not(HasSubstr("line 0.")));  // the first file is gone by now
  EXPECT_FALSE(ReadTestFile(*platform_, path + ".2"));
}

}  // namespace
}  // namespace orvabridge::testing
