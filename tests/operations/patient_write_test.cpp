// Sending new and changed patients: the record at its offsets, the record form and its command
// code, the guards, text-out lines, and the short-record selection surviving errors.
#include <gtest/gtest.h>

#include <deque>

#include "environment/call_log.h"
#include "operations/attached_fixture.h"

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

// The record from literal offsets; the field order differs from the arguments'.
std::vector<std::byte> PatientRecord(const channel::FieldCodec& codec, const Patient& p,
                                     bool extended, const std::string& other_ids) {
  auto record = SizedRecord(extended ? 3524 : 2244);
  WriteTexts(codec, record,
             {{4, 64},
              {68, 256},
              {324, 256},
              {580, 256},
              {836, 256},
              {1092, 256},
              {1348, 64},
              {1412, 256},
              {1668, 256},
              {1924, 64},
              {1988, 256}},
             {p.PatID, p.FName, p.LName, p.Adress, p.TelOne, p.TelTwo, p.Sex, p.Email, p.TelMobile,
              p.Birthdate, p.Comments});
  if (extended) codec.WriteText(record, {2244, 256}, other_ids);
  return record;
}

class PatientWriteTest : public AttachedTest {
 protected:
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
};

// No reply is awaited, and a one-character id is enough.
TEST_F(PatientWriteTest, EachMethodSendsItsCodeAndRecordFormAndChangesNoArgument) {
  Patient p;
  p.PatID = "7";
  const Patient before = p;
  EXPECT_EQ(Add(p), 1);
  // The plain methods use the short form for their own call only.
  EXPECT_TRUE(core().extended_record());
  EXPECT_EQ(AddEx(p), 1);
  EXPECT_EQ(Change(p), 1);
  EXPECT_EQ(ChangeEx(p), 1);
  EXPECT_EQ(ChangeEx(p, false), 1);
  EXPECT_EQ(p, before);
  const std::pair<uint32_t, std::vector<std::byte>> expected[] = {
      {command::kAddPatientShort, PatientRecord(codec(), p, false, "")},
      {command::kAddPatientExtended, PatientRecord(codec(), p, true, p.OtherIDs)},
      {command::kChangePatientShort, PatientRecord(codec(), p, false, "")},
      {command::kChangePatientExtended, PatientRecord(codec(), p, true, p.OtherIDs)},
      {command::kChangePatientExtended, PatientRecord(codec(), p, true, "")},  // none given
  };
  const auto writes = Sent();
  ASSERT_EQ(writes.size(), std::size(expected));
  for (size_t n = 0; n < writes.size(); ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(writes[n].code, expected[n].first);
    EXPECT_EQ(writes[n].bytes, expected[n].second);
  }
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
  const auto writes = Sent();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].bytes, PatientRecord(codec(), cut, true, std::string(256, 'O')));
}

TEST_F(PatientWriteTest, ReattachInsideAPlainMethodSelectsTheExtendedRecordAgain) {
  link::ThisThread().target_window = platform::WindowHandle();  // link lost since the last call
  Patient p;
  EXPECT_EQ(Add(p), 1);
  const auto writes = Sent();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].code, command::kAddPatientExtended);
  EXPECT_EQ(writes[0].bytes, PatientRecord(codec(), p, true, ""));
}

TEST_F(PatientWriteTest, ErrorRaisedInsideAPlainMethodStillRestoresTheExtendedRecord) {
  BreakSessionReplies();
  Patient p;
  auto error = ErrorOf([&] { Add(p); });
  EXPECT_EQ(error.number(), -100);
  EXPECT_EQ(error.source(), "Orvabridge.Appl.AddPatientEx");
  EXPECT_EQ(error.description().rfind("Orvabridge.Appl.AddPatientEx error -100\r\n", 0), 0u)
      << error.description();
  EXPECT_EQ(ErrorOf([&] { Change(p); }).source(), "Orvabridge.Appl.ChangePatientEx");
  EXPECT_TRUE(core().extended_record());
  EXPECT_TRUE(Sent().empty());
  session_reply_ = nullptr;
  EXPECT_EQ(AddEx(p), 1);
  ASSERT_EQ(Sent().size(), 1u);
  EXPECT_EQ(Sent()[0].code, command::kAddPatientExtended);
}

TEST_F(PatientWriteTest, GuardsOfEveryWriteAndTheEmptyId) {
  Patient p;
  ExpectGuards([&] { return AddEx(p); });
  ExpectGuards([&] { return ChangeEx(p); });
  ExpectGuards([&] { return Add(p); });
  ExpectGuards([&] { return Change(p); });
  Start();
  p.PatID.clear();
  EXPECT_EQ(AddEx(p), -5);
  EXPECT_EQ(Change(p), -5);
  EXPECT_TRUE(Sent().empty());
}

class PatientWriteTextOutTest : public PatientWriteTest {
 protected:
  void SetUp() override {
    AttachedTest::SetUp();
    EnterTextOutMode();
    Detach();
  }
};

TEST_F(PatientWriteTextOutTest, EachCallLogsOneLineAndSendsNothing) {
  Patient p, no_id;
  no_id.PatID.clear();
  EXPECT_EQ(ChangeEx(p, false), 1);
  EXPECT_EQ(Add(no_id), 1);
  const std::string middle =
      " ; Ann ; Berg ; F ; Main St 1 ; 0301 ; 0302 ; 0170 ; ann@example.org ; 1970-01-31 ; "
      "allergic ; ";
  EXPECT_EQ(
      core().text_out().pending()->lines(),
      (std::deque<std::string>{"ChangePatientEx ; P-100" + middle, "AddPatientEx ; " + middle}));
  EXPECT_FALSE(link::ThisThread().target_window);
  EXPECT_TRUE(core().extended_record());
}

}  // namespace
}  // namespace orvabridge::testing
