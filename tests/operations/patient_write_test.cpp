// Sending new and changed patients: the record at its offsets, the record form and its command
// code, the guards, text-out lines, and the short-record selection surviving errors.
#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "channel/records.h"
#include "environment/call_log.h"
#include "link/appl_core.h"
#include "operations/request_bytes.h"
#include "support/link_fixture.h"
#include "support/scripted_peer.h"

namespace orvabridge::testing {
namespace {

namespace command = channel::command;

// The twelve arguments, in the interface's order.
struct Patient {
  std::string PatID = "P-100", FName = "Ann", LName = "Berg", Sex = "F", Adress = "Main St 1",
              TelOne = "0301", TelTwo = "0302", TelMobile = "0170", Email = "ann@example.org",
              Birthdate = "1970-01-31", Comments = "allergic", OtherIDs = "X-9";
  friend bool operator==(const Patient&, const Patient&) = default;
};

// The record as documented, from literal offsets; the field order differs from the arguments.
ExpectedRecord ExpectedPatientRecord(const Patient& p, bool extended,
                                     const std::string& other_ids) {
  ExpectedRecord record(extended ? 3524 : 2244);
  record.I32(0, extended ? 3524 : 2244)
      .Text(4, 64, p.PatID)
      .Text(68, 256, p.FName)
      .Text(324, 256, p.LName)
      .Text(580, 256, p.Adress)
      .Text(836, 256, p.TelOne)
      .Text(1092, 256, p.TelTwo)
      .Text(1348, 64, p.Sex)
      .Text(1412, 256, p.Email)
      .Text(1668, 256, p.TelMobile)
      .Text(1924, 64, p.Birthdate)
      .Text(1988, 256, p.Comments);
  if (extended) record.Text(2244, 256, other_ids);
  return record;
}

class PatientWriteTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    StartImaging({});
  }
  void StartImaging(const ScriptedPeer::Options& options) {
    appl_.reset();
    peer_ = std::make_unique<ScriptedPeer>(*platform_, options);
    peer_->AnswerSessions(true);
    appl_ = MakeAppl();
    Attach(*appl_);
  }
  // An application too old for session queries: the session check sends nothing.
  void StartOldImaging() {
    ScriptedPeer::Options old;
    old.version[2] = 1000;
    StartImaging(old);
  }
  void TearDown() override {
    appl_.reset();
    peer_.reset();
    LinkTest::TearDown();
  }

  int32_t AddEx(Patient& p) {
    return appl_->AddPatientEx(p.PatID, p.FName, p.LName, p.Sex, p.Adress, p.TelOne, p.TelTwo,
                               p.TelMobile, p.Email, p.Birthdate, p.Comments, p.OtherIDs);
  }
  int32_t ChangeEx(Patient& p, bool with_other_ids = true) {
    return appl_->ChangePatientEx(p.PatID, p.FName, p.LName, p.Sex, p.Adress, p.TelOne, p.TelTwo,
                                  p.TelMobile, p.Email, p.Birthdate, p.Comments,
                                  with_other_ids ? &p.OtherIDs : nullptr);
  }
  int32_t Add(Patient& p) {
    return appl_->AddPatient(p.PatID, p.FName, p.LName, p.Sex, p.Adress, p.TelOne, p.TelTwo,
                             p.TelMobile, p.Email, p.Birthdate, p.Comments);
  }
  int32_t Change(Patient& p) {
    return appl_->ChangePatient(p.PatID, p.FName, p.LName, p.Sex, p.Adress, p.TelOne, p.TelTwo,
                                p.TelMobile, p.Email, p.Birthdate, p.Comments);
  }

  // Every patient write sent so far (session queries left out).
  std::vector<ScriptedPeer::Request> Writes() const {
    std::vector<ScriptedPeer::Request> writes;
    for (const auto& request : peer_->requests()) {
      if (request.code != command::kGeneric) writes.push_back(request);
    }
    return writes;
  }

  std::unique_ptr<ScriptedPeer> peer_;
  std::unique_ptr<Appl> appl_;
};

// ---- the record ----

TEST_F(PatientWriteTest, AddPatientExSendsEveryFieldAtItsOffsetAndNothingElse) {
  Patient p;
  const Patient before = p;
  EXPECT_EQ(AddEx(p), 1);
  EXPECT_EQ(p, before);  // no argument changes
  const auto writes = Writes();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].code, command::kAddPatientExtended);
  EXPECT_TRUE(SameBytes(writes[0].bytes, ExpectedPatientRecord(p, true, p.OtherIDs).bytes()));
}

TEST_F(PatientWriteTest, ChangePatientExWithoutOtherIdsSendsAnEmptyField) {
  Patient p;
  EXPECT_EQ(ChangeEx(p, false), 1);
  const auto writes = Writes();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].code, command::kChangePatientExtended);
  EXPECT_TRUE(SameBytes(writes[0].bytes, ExpectedPatientRecord(p, true, "").bytes()));
}

TEST_F(PatientWriteTest, TextsAreCutAtTheirFieldAndAFullFieldHasNoTerminator) {
  Patient p;
  p.PatID = std::string(64, 'I');      // exactly the field
  p.Sex = std::string(65, 'S');        // one too many
  p.Comments = std::string(900, 'C');  // would run into OtherIDs
  p.OtherIDs = std::string(300, 'O');  // would run into Extra
  const Patient before = p;
  EXPECT_EQ(AddEx(p), 1);
  EXPECT_EQ(p, before);
  Patient cut = p;
  cut.Sex.resize(64);
  cut.Comments.resize(256);
  const auto writes = Writes();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_TRUE(
      SameBytes(writes[0].bytes, ExpectedPatientRecord(cut, true, std::string(256, 'O')).bytes()));
}

TEST_F(PatientWriteTest, OneCharacterIdIsEnoughAndNoReplyIsAwaited) {
  Patient p;
  p.PatID = "7";
  StartOldImaging();
  auto& holding = appl_->core().holding();
  holding.reply_code = 4242;  // neither cleared nor read by a write
  EXPECT_EQ(AddEx(p), 1);
  EXPECT_EQ(holding.reply_code, 4242u);
  EXPECT_EQ(Writes().size(), 1u);
}

// ---- record form ----

TEST_F(PatientWriteTest, PlainMethodsSendTheShortFormAndLeaveTheExtendedOneSelected) {
  Patient p;
  EXPECT_EQ(Add(p), 1);
  EXPECT_TRUE(appl_->core().extended_record_flag);
  EXPECT_EQ(AddEx(p), 1);
  EXPECT_EQ(Change(p), 1);
  EXPECT_EQ(ChangeEx(p), 1);
  const auto writes = Writes();
  ASSERT_EQ(writes.size(), 4u);
  EXPECT_EQ(writes[0].code, command::kAddPatientShort);
  EXPECT_TRUE(SameBytes(writes[0].bytes, ExpectedPatientRecord(p, false, "").bytes()));
  EXPECT_EQ(writes[1].code, command::kAddPatientExtended);
  EXPECT_EQ(writes[1].bytes.size(), 3524u);
  EXPECT_EQ(writes[2].code, command::kChangePatientShort);
  EXPECT_TRUE(SameBytes(writes[2].bytes, ExpectedPatientRecord(p, false, "").bytes()));
  EXPECT_EQ(writes[3].code, command::kChangePatientExtended);
  EXPECT_TRUE(SameBytes(writes[3].bytes, ExpectedPatientRecord(p, true, p.OtherIDs).bytes()));
}

TEST_F(PatientWriteTest, ReattachInsideAPlainMethodSelectsTheExtendedRecordAgain) {
  link::ThisThread().target_window = platform::WindowHandle();  // link lost since the last call
  Patient p;
  EXPECT_EQ(Add(p), 1);
  const auto writes = Writes();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].code, command::kAddPatientExtended);
  EXPECT_TRUE(SameBytes(writes[0].bytes, ExpectedPatientRecord(p, true, "").bytes()));
}

TEST_F(PatientWriteTest, ErrorRaisedInsideAPlainMethodStillRestoresTheExtendedRecord) {
  // A session reply whose login method does not fit makes the session check fail.
  peer_->on_request = [&](const ScriptedPeer::Request& request) {
    if (request.code != command::kGeneric) return;
    auto record = peer_->SessionRecord(true);
    channel::WriteI32(record, channel::generic::kNumber3, 100000);
    peer_->Reply(request.reply_to, command::kGeneric, record);
  };
  Patient p;
  try {
    Add(p);
    FAIL() << "no error raised";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), -100);
    EXPECT_EQ(error.source(), "Orvabridge.Appl.AddPatientEx");
    EXPECT_EQ(error.description().rfind("Orvabridge.Appl.AddPatientEx error -100\r\n", 0), 0u)
        << error.description();
  }
  EXPECT_TRUE(appl_->core().extended_record_flag);
  EXPECT_TRUE(Writes().empty());

  try {
    Change(p);
    FAIL() << "no error raised";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.source(), "Orvabridge.Appl.ChangePatientEx");
  }
  EXPECT_TRUE(appl_->core().extended_record_flag);

  peer_->AnswerSessions(true);
  EXPECT_EQ(AddEx(p), 1);
  ASSERT_EQ(Writes().size(), 1u);
  EXPECT_EQ(Writes()[0].code, command::kAddPatientExtended);
  EXPECT_EQ(Writes()[0].bytes.size(), 3524u);
}

// ---- guards ----

TEST_F(PatientWriteTest, SessionCheckComesBeforeTheEmptyIdCheck) {
  Patient p;
  p.PatID.clear();
  peer_->AnswerSessions(false);
  EXPECT_EQ(AddEx(p), -12);
  EXPECT_EQ(ChangeEx(p), -12);
  peer_->AnswerSessions(true);
  EXPECT_EQ(AddEx(p), -5);
  EXPECT_EQ(Change(p), -5);
  EXPECT_TRUE(Writes().empty());
}

TEST_F(PatientWriteTest, LinkChecksStopTheWriteInTheirOrder) {
  // With a session query the session check itself would already fail on these.
  StartOldImaging();
  auto& core = appl_->core();
  Patient p;
  core.form_loaded = false;
  EXPECT_EQ(AddEx(p), -1);
  core.form_loaded = true;

  const auto reply_window = core.reply_window;
  core.reply_window = platform::WindowHandle();
  EXPECT_EQ(ChangeEx(p), -2);
  core.reply_window = reply_window;

  auto& message_id = link::ThisThread().control_message_id;
  const auto saved_id = message_id;
  message_id = 0;
  EXPECT_EQ(Add(p), -3);
  message_id = saved_id;
  EXPECT_TRUE(Writes().empty());
}

TEST_F(PatientWriteTest, ClosedImagingWindowGivesMinusFourAndClearsTheTarget) {
  peer_->DestroyWindows();
  Patient p;
  EXPECT_EQ(AddEx(p), -4);
  EXPECT_FALSE(link::ThisThread().target_window);
  EXPECT_EQ(Change(p), -4);  // the re-attach finds nobody either
}

// ---- text-out mode ----

class PatientWriteTextOutTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    const std::string folder = "C:\\txtout-" + std::to_string(std::random_device{}());
    platform_->Files().CreateFolder(folder);
    SetMachineSetting("Orvabridge", "OrvabridgeTXTOUT", folder);
  }
};

TEST_F(PatientWriteTextOutTest, EachCallLogsOneLineAndSendsNothing) {
  auto appl = MakeAppl();  // no imaging application anywhere
  Patient p;
  EXPECT_EQ(appl->AddPatientEx(p.PatID, p.FName, p.LName, p.Sex, p.Adress, p.TelOne, p.TelTwo,
                               p.TelMobile, p.Email, p.Birthdate, p.Comments, p.OtherIDs),
            1);
  EXPECT_EQ(appl->ChangePatientEx(p.PatID, p.FName, p.LName, p.Sex, p.Adress, p.TelOne, p.TelTwo,
                                  p.TelMobile, p.Email, p.Birthdate, p.Comments),
            1);
  std::string empty;
  EXPECT_EQ(appl->AddPatient(empty, p.FName, p.LName, p.Sex, p.Adress, p.TelOne, p.TelTwo,
                             p.TelMobile, p.Email, p.Birthdate, p.Comments),
            1);
  EXPECT_EQ(appl->ChangePatient(p.PatID, p.FName, p.LName, p.Sex, p.Adress, p.TelOne, p.TelTwo,
                                p.TelMobile, p.Email, p.Birthdate, p.Comments),
            1);
  const std::string middle =
      " ; Ann ; Berg ; F ; Main St 1 ; 0301 ; 0302 ; 0170 ; ann@example.org ; 1970-01-31 ; "
      "allergic ; ";
  const std::deque<std::string> expected = {
      "AddPatientEx ; P-100" + middle + "X-9",
      "ChangePatientEx ; P-100" + middle,
      "AddPatientEx ; " + middle,
      "ChangePatientEx ; P-100" + middle,
  };
  EXPECT_EQ(appl->core().call_log->lines(), expected);
  EXPECT_FALSE(link::ThisThread().target_window);
  EXPECT_TRUE(appl->core().extended_record_flag);
}

}  // namespace
}  // namespace orvabridge::testing
