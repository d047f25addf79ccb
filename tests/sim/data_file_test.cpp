// orva-sim --data: a data file becomes what the simulated application knows and answers, and
// every mistake in one is reported where it is: line and column for a text that is not JSON,
// the JSON path for a well-formed file of the wrong shape.
#include "sim/data_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "scratch_folder.h"
#include "sim_test_support.h"

namespace orvabridge::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
namespace cmd = channel::command;
namespace gn = channel::generic;

constexpr const char* kPracticeFile = R"(// one dentist, one patient
{
  "users": [
    {"id": 4, "login": "nora", "password": "pw", "prefix": "Dr.", "first_name": "Nora",
     "last_name": "Lind", "group": "Surgeons", "workstation": "ROOM-2", "login_method": 2,
     "rights": ["edit", "export_dcm"]},
    {"id": 5, "login": "otto"}
  ],
  "patients": [{"id": "P-7", "db_id": 70, "first_name": "Åsa", "last_name": "Berg"}],
  "images": [{"picture_id": "900", "patient_id": "P-7", "file_name": "pano.png"}],
  "image_cards": [{"id": 3, "patient_id": "P-7", "content": "<card/>"}, {"id": 4}],
  "responsible_person": {"last_name": "Kern", "login": "kern"},  /* the rest left empty */
  "worklist": [
    {"patient_id": "P-7", "modality": "PX"},
    {"patient_id": "P-8", "modality": "IO"},
    {"patient_id": "P-9", "modality": "PX"}
  ],
  "open_patient": "P-7",
  "selected_image": "900",
  "selected_image_card": 3,
  "logged_in": "nora"
}
)";

std::string ErrorOf(std::string_view text) {
  try {
    sim::ParseSimData(text, "practice.jsonc");
  } catch (const sim::DataFileError& error) {
    return error.what();
  }
  return "(accepted)";
}

class SimDataFileTest : public SimulatorTest {
 protected:
  void SetUp() override {
    SimulatorTest::SetUp();
    simulator_->SetModel(sim::ReadSimDataFile(folder_.Write("practice.jsonc", kPracticeFile)));
  }

  std::vector<std::byte> Generic(int32_t sub_command, size_t text = 0, std::string_view value = "",
                                 int32_t number0 = 0, int32_t number1 = 0) {
    auto record = NewRecord<gn::kSize>();
    channel::WriteI32(record, gn::kSubCommand, sub_command);
    channel::WriteI32(record, gn::kNumber0, number0);
    channel::WriteI32(record, gn::kNumber1, number1);
    codec_.WriteText(record, gn::kText[text], value);
    return Ask(cmd::kGeneric, record);
  }

  std::string WorklistCount(size_t criterion, std::string_view value) {
    return codec_.ReadText(Generic(gn::kWorklistQuery, criterion, value), gn::kText[0]);
  }

  ScratchFolder folder_;
};

TEST_F(SimDataFileTest, TheRegisterAndTheSessionAnswerFromTheFile) {
  namespace fp = channel::find_patient;
  auto find = NewRecord<fp::kSize>();
  codec_.WriteText(find, fp::kPatientId, "P-7");
  const auto found = Ask(cmd::kFindPatient, find);
  EXPECT_EQ(channel::ReadI32(found, fp::kFound), 1);
  EXPECT_EQ(codec_.ReadText(found, fp::kFirstName), "Åsa");
  EXPECT_EQ(codec_.ReadText(found, fp::kLastName), "Berg");

  const auto current = Ask(cmd::kCurrentPatient, NewRecord<channel::patient::kShortSize>());
  EXPECT_EQ(codec_.ReadText(current, channel::patient::kId), "P-7");

  const auto session = Generic(gn::kSessionInfo);
  EXPECT_EQ(channel::ReadI32(session, gn::kNumber1), 4);
  EXPECT_EQ(channel::ReadI32(session, gn::kNumber2), 1) << "logged in from the start";
  EXPECT_EQ(channel::ReadI32(session, gn::kNumber3), 2);
  EXPECT_EQ(channel::ReadF64(session, gn::kDouble), sim::rights::kEdit | sim::rights::kExportDcm);
  EXPECT_EQ(codec_.ReadText(session, gn::kText[2]), "Nora");
  EXPECT_EQ(codec_.ReadText(session, gn::kText[5]), "Surgeons");
  EXPECT_EQ(codec_.ReadText(session, gn::kText[6]), "ROOM-2");

  // The keys the file leaves out are empty, not the built-in person's.
  const auto person = Generic(gn::kResponsiblePerson);
  EXPECT_EQ(codec_.ReadText(person, gn::kText[2]), "Kern");
  EXPECT_EQ(codec_.ReadText(person, gn::kText[7]), "kern");
  EXPECT_EQ(codec_.ReadText(person, gn::kText[1]), "");
}

TEST_F(SimDataFileTest, ImagesCardsAndTheWorklistAnswerFromTheFile) {
  namespace iq = channel::image_query;
  auto get = NewRecord<iq::kSize>();
  codec_.WriteText(get, iq::kPictureOrPatientId, "-1");
  codec_.WriteText(get, iq::kFolderOrResult, "C:\\out\\");
  EXPECT_EQ(codec_.ReadText(Ask(cmd::kGetImage, get), iq::kFolderOrResult), "C:\\out\\pano.png");

  const auto card_request = NewRecord<channel::image_card::kSize>();
  EXPECT_EQ(
      channel::ReadI32(Ask(cmd::kSelectedImageCard, card_request), channel::image_card::kCardId),
      3);
  constexpr int32_t kImageCardObject = 2;
  EXPECT_EQ(channel::ReadI32(Generic(gn::kShowObject, 0, "", kImageCardObject, 4), gn::kNumber0),
            1);
  EXPECT_EQ(
      channel::ReadI32(Ask(cmd::kSelectedImageCard, card_request), channel::image_card::kCardId),
      4);
  EXPECT_EQ(channel::ReadI32(Generic(gn::kShowObject, 0, "", kImageCardObject, 99), gn::kNumber0),
            0);

  // The query's criteria: text 1 the modality, text 2 the patient id.
  EXPECT_EQ(WorklistCount(0, ""), "3");
  EXPECT_EQ(WorklistCount(1, "PX"), "2");
  EXPECT_EQ(WorklistCount(2, "P-8"), "1");
  EXPECT_EQ(WorklistCount(2, "P-1"), "0");
}

TEST(SimDataFileParseTest, TextThatIsNotJsonNamesLineAndColumn) {
  struct Case {
    const char* text;
    const char* position;
  };
  const Case cases[] = {
      {"{\n  \"users\": [\n    {\"id\": 1,, \"login\": \"a\"}\n  ]\n}", "line 3, column 14"},
      // Comments are no mistake and count as lines.
      {"// the practice\n/* two\n lines */ {\n  \"open_patient\": tru\n}", "line 4, column 22"},
      // Columns count characters, not bytes.
      {"{\"open_patient\": \"Åsa\" x}", "line 1, column 24"},
      {"{\"users\": [", "line 1, column 12"},
      {"", "line 1, column 1"},
  };
  for (const Case& c : cases) {
    const std::string error = ErrorOf(c.text);
    EXPECT_THAT(error,
                StartsWith(std::string("practice.jsonc: ") + c.position + ": not valid JSON"))
        << c.text;
  }
  EXPECT_THAT(ErrorOf("{\"users\": [1 2]}"), HasSubstr("expected ']'"))
      << "the parser's reason is kept";
}

TEST(SimDataFileParseTest, AWellFormedFileOfTheWrongShapeNamesThePath) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {R"([])", "the top level: expected an object (a data file), found a list"},
      {R"({"patient": []})", "patient: unknown key; a data file has the keys users, patients"},
      {R"({"users": {}})", "users: expected a list, found an object"},
      {R"({"users": [{"id": 1, "login": "a"}, {"id": 2}]})",
       R"(users[1]: "login" is missing; a user needs one)"},
      {R"({"users": [{"id": 1, "login": ""}]})", "users[0].login: must not be empty"},
      {R"({"users": [{"id": "7", "login": "a"}]})",
       "users[0].id: expected a whole number, found a text"},
      {R"({"users": [{"id": 1.5, "login": "a"}]})",
       "users[0].id: expected a whole number, found a number with a fraction"},
      {R"({"users": [{"id": 2147483648, "login": "a"}]})",
       "users[0].id: 2147483648 is outside -2147483648 to 2147483647"},
      {R"({"users": [{"id": 1, "login": "a", "login_method": 40000}]})",
       "users[0].login_method: 40000 is outside"},
      {R"({"users": [{"id": 1, "login": "a", "rights": ["edit", "edt"]}]})",
       R"(users[0].rights[1]: unknown right "edt"; the rights are edit, approve)"},
      {R"({"users": [{"id": 1, "login": "a", "rights": [8]}]})",
       "users[0].rights[0]: expected the name of a right, found a whole number"},
      {R"({"patients": [{"id": "1", "first_name": null}]})",
       "patients[0].first_name: expected a text, found null"},
      {R"({"patients": [{"id": "1", "firstname": "Ada"}]})",
       "patients[0].firstname: unknown key; a patient has the keys id, db_id, first_name"},
      {R"({"patients": [{"id": "1"}, {"id": "1"}]})",
       R"(patients[1].id: patient id "1" is already used by patients[0].id)"},
      {R"({"patients": [{"id": "1", "db_id": 5}, {"id": "2", "db_id": 5}]})",
       R"(patients[1].db_id: db_id "5" is already used by patients[0].db_id)"},
      {R"({"images": [{"picture_id": "5", "patient_id": "9"}]})",
       R"(images[0].patient_id: no patient has the id "9")"},
      {R"({"image_cards": [{"id": 1, "patient_id": "9"}]})",
       R"(image_cards[0].patient_id: no patient has the id "9")"},
      {R"({"worklist": [{"modality": "IO", "station": "A"}]})",
       "worklist[0].station: unknown key; a worklist entry has the keys"},
      {R"({"responsible_person": {"name": "X"}})",
       "responsible_person.name: unknown key; the responsible person has the keys"},
      {R"({"open_patient": "1"})", R"(open_patient: no patient has the id "1")"},
      {R"({"selected_image": "5"})", R"(selected_image: no image has the picture id "5")"},
      {R"({"selected_image_card": 7})", "selected_image_card: no image card has the id 7"},
      {R"({"logged_in": "nobody"})", R"(logged_in: no user has the login "nobody")"},
  };
  for (const Case& c : cases) {
    EXPECT_THAT(ErrorOf(c.text), HasSubstr(std::string("practice.jsonc: ") + c.error)) << c.text;
  }
}

TEST(SimDataFileParseTest, LeftOutKeysAreEmptyAndAnEmptyWorklistIsOneOfItsOwn) {
  sim::SimModel model = sim::ParseSimData(R"({"users": [{"id": 3, "login": "x"}]})", "a");
  EXPECT_EQ(model.users.at(0), (sim::SimUser{.id = 3, .login = "x"}));
  EXPECT_EQ(model.responsible_person, sim::SimPerson{}) << "left out: the built-in person";
  EXPECT_FALSE(model.worklist.has_value()) << "left out: the register stands in";
  EXPECT_FALSE(model.logged_in_login.has_value());

  model = sim::ParseSimData(R"({"worklist": []})", "a");
  ASSERT_TRUE(model.worklist.has_value());
  EXPECT_TRUE(model.worklist->empty());
}

TEST(SimDataFileParseTest, AFileThatCannotBeReadIsNamed) {
  ScratchFolder folder;
  EXPECT_THROW(
      {
        try {
          sim::ReadSimDataFile(folder.path() / "missing.jsonc");
        } catch (const sim::DataFileError& error) {
          EXPECT_THAT(error.what(), HasSubstr("missing.jsonc: no such file"));
          throw;
        }
      },
      sim::DataFileError);
}

}  // namespace
}  // namespace orvabridge::testing
