// What the simulated application does with each command of the table, seen through its answers
// and its model.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace orvabridge::testing {
namespace {

namespace cmd = channel::command;
namespace gn = channel::generic;
namespace lg = channel::login;

class SimulatorCommandsTest : public SimulatorTest {
 protected:
  void SetUp() override {
    SimulatorTest::SetUp();
    simulator_->AddPatient({.id = "P1", .first_name = "Ada", .last_name = "Lovelace", .db_id = 11});
    simulator_->AddPatient({.id = "P2", .first_name = "Alan", .last_name = "Turing"});
    simulator_->AddImage(
        {.patient_id = "P1", .picture_id = "17", .date = "01.02.2023", .type = "Bitewing"});
    simulator_->AddImage({.patient_id = "P1",
                          .picture_id = "18",
                          .date = "05.06.2024",
                          .type = "Panoramic",
                          .file_name = "pano.png"});
    simulator_->AddUser(
        {.id = 4, .login = "anna", .password = "secret", .first_name = "Anna", .rights = 9});
  }

  void Show(std::string_view id, std::string_view options) {
    auto record = NewRecord<channel::find_patient::kSize>();
    codec_.WriteText(record, channel::find_patient::kPatientId, id);
    codec_.WriteText(record, channel::find_patient::kOptions, options);
    catcher_->Send(simulator_->control_window(), cmd::kShowPatient, record);
  }

  std::vector<std::byte> ImageQuery(uint32_t code, std::string_view id,
                                    std::string_view path_or_date, std::string_view folder) {
    namespace iq = channel::image_query;
    auto record = NewRecord<iq::kSize>();
    codec_.WriteText(record, iq::kPictureOrPatientId, id);
    codec_.WriteText(record, iq::kPathOrDate, path_or_date);
    codec_.WriteText(record, iq::kFolderOrResult, folder);
    return Ask(code, record);
  }

  int32_t Login(std::string_view login, std::string_view password, int32_t change_rights = 0,
                std::string_view admin = "", std::string_view admin_password = "") {
    auto record = NewRecord<lg::kSize>();
    codec_.WriteText(record, lg::kLoginName, login);
    codec_.WriteText(record, lg::kPassword, password);
    codec_.WriteText(record, lg::kAdminLoginName, admin);
    codec_.WriteText(record, lg::kAdminPassword, admin_password);
    codec_.WriteText(record, lg::kUserFirstname, "Given");
    channel::WriteI32(record, lg::kChangeRightsOrResult, change_rights);
    channel::WriteI16(record, lg::kEditRights, 1);
    channel::WriteI16(record, lg::kExportDcmRights, 1);
    return channel::ReadI32(Ask(cmd::kUserLogin, record), lg::kChangeRightsOrResult);
  }

  std::vector<std::byte> Generic(int32_t sub_command, std::string_view text0 = "",
                                 int32_t number0 = 0, int32_t number1 = 0) {
    auto record = NewRecord<gn::kSize>();
    channel::WriteI32(record, gn::kSubCommand, sub_command);
    channel::WriteI32(record, gn::kNumber0, number0);
    channel::WriteI32(record, gn::kNumber1, number1);
    codec_.WriteText(record, gn::kText[0], text0);
    return Ask(cmd::kGeneric, record);
  }
};

TEST_F(SimulatorCommandsTest, ShowSwitchesOnlyToKnownPatientsAndIsNeverAnswered) {
  Show("P1", "7");
  EXPECT_EQ(simulator_->CurrentPatientId(), "P1");
  EXPECT_EQ(simulator_->Model().last_show_options, 7);
  Show("nobody", "0");
  EXPECT_EQ(simulator_->CurrentPatientId(), "P1");
  EXPECT_TRUE(catcher_->caught().empty());
}

TEST_F(SimulatorCommandsTest, AddAndChangeUpdateTheRegister) {
  namespace pt = channel::patient;
  auto extended = NewRecord<pt::kExtendedSize>();
  codec_.WriteText(extended, pt::kId, "P3");
  codec_.WriteText(extended, pt::kFirstName, "Grace");
  codec_.WriteText(extended, pt::kOtherIds, "OLD-3");
  catcher_->Send(simulator_->control_window(), cmd::kAddPatientExtended, extended);
  ASSERT_TRUE(simulator_->Patient("P3"));

  // Adding an identifier in use changes nothing.
  codec_.WriteText(extended, pt::kFirstName, "Impostor");
  catcher_->Send(simulator_->control_window(), cmd::kAddPatientExtended, extended);
  EXPECT_EQ(simulator_->Patient("P3")->first_name, "Grace");

  // A short change keeps what only the extended form carries.
  auto change = NewRecord<pt::kShortSize>();
  codec_.WriteText(change, pt::kId, "P3");
  codec_.WriteText(change, pt::kLastName, "Hopper");
  catcher_->Send(simulator_->control_window(), cmd::kChangePatientShort, change);
  EXPECT_EQ(simulator_->Patient("P3")->last_name, "Hopper");
  EXPECT_EQ(simulator_->Patient("P3")->other_ids, "OLD-3");
  EXPECT_TRUE(catcher_->caught().empty());
}

TEST_F(SimulatorCommandsTest, ImageQueriesAnswerFromTheRegisterAndTheSelection) {
  namespace iq = channel::image_query;
  namespace im = channel::image;
  namespace ic = channel::image_card;

  auto reply = ImageQuery(cmd::kGetImage, "17", "", "C:\\Temp\\");
  ASSERT_EQ(reply.size(), iq::kSize);
  EXPECT_EQ(codec_.ReadText(reply, iq::kFolderOrResult), "C:\\Temp\\17.jpg");
  simulator_->SelectImage("18");
  reply = ImageQuery(cmd::kGetImage, "-1", "", "D:\\out\\");
  EXPECT_EQ(codec_.ReadText(reply, iq::kFolderOrResult), "D:\\out\\pano.png");
  reply = ImageQuery(cmd::kGetImage, "99", "", "C:\\Temp\\");
  EXPECT_EQ(codec_.ReadText(reply, iq::kFolderOrResult), "");

  reply = ImageQuery(cmd::kSearchImage, "P1", " ", "");
  ASSERT_EQ(reply.size(), im::kSize);
  EXPECT_EQ(codec_.ReadText(reply, im::kPictureId), "17");
  reply = ImageQuery(cmd::kSearchImage, "P1", "05.06.2024", "");
  EXPECT_EQ(codec_.ReadText(reply, im::kImageType), "Panoramic");
  reply = ImageQuery(cmd::kSearchImage, "P2", " ", "");
  EXPECT_EQ(codec_.ReadText(reply, im::kPictureId), "");

  auto image_request = NewRecord<im::kSize>();
  EXPECT_EQ(codec_.ReadText(Ask(cmd::kSelectedImage, image_request), im::kImageDate), "05.06.2024");
  simulator_->SetSelectedCard(sim::SimImageCard{
      .id = 123, .patient_id = "P1", .content = "<card/>", .image_path = "C:\\c"});
  auto card_request = NewRecord<ic::kSize>();
  channel::WriteI16(card_request, ic::kGetImages, 1);
  const auto card = Ask(cmd::kSelectedImageCard, card_request);
  ASSERT_EQ(card.size(), ic::kSize);
  EXPECT_EQ(channel::ReadI32(card, ic::kCardId), 123);
  EXPECT_EQ(codec_.ReadText(card, ic::kImagePath), "C:\\c");
  EXPECT_EQ(channel::ReadI16(card, ic::kGetImages), 1);
}

TEST_F(SimulatorCommandsTest, LoginCreatesUsersOnlyForAnAdministratorAndLogoutEndsTheSession) {
  constexpr int32_t kUseGivenRights = 2;
  EXPECT_EQ(Login("ben", "pw", kUseGivenRights, "anna", "wrong"), 0);
  EXPECT_EQ(Login("ben", "pw", 0, "anna", "secret"), 0);
  EXPECT_FALSE(simulator_->LoggedInUser());

  EXPECT_EQ(Login("ben", "pw", kUseGivenRights, "anna", "secret"), 1);
  const auto ben = simulator_->LoggedInUser();
  ASSERT_TRUE(ben);
  EXPECT_EQ(ben->login, "ben");
  EXPECT_EQ(ben->first_name, "Given");
  EXPECT_EQ(ben->rights, sim::rights::kEdit | sim::rights::kExportDcm);
  EXPECT_EQ(ben->id, 5);

  EXPECT_EQ(channel::ReadI32(Ask(cmd::kUserLogout, {}), lg::kChangeRightsOrResult), 1);
  EXPECT_FALSE(simulator_->LoggedInUser());
  EXPECT_EQ(channel::ReadI32(Generic(gn::kSessionInfo), gn::kNumber2), 0);
}

TEST_F(SimulatorCommandsTest, ShowObjectShowsOnlyWhatExists) {
  constexpr int32_t kPatient = 0, kSeries = 1, kImage = 3;
  EXPECT_EQ(channel::ReadI32(Generic(gn::kShowObject, "", kPatient, 11), gn::kNumber0), 1);
  EXPECT_EQ(simulator_->CurrentPatientId(), "P1");
  EXPECT_EQ(channel::ReadI32(Generic(gn::kShowObject, "P2", kPatient, 0), gn::kNumber0), 1);
  EXPECT_EQ(simulator_->CurrentPatientId(), "P2");
  EXPECT_EQ(channel::ReadI32(Generic(gn::kShowObject, "", kImage, 18), gn::kNumber0), 1);
  EXPECT_EQ(simulator_->Model().selected_picture_id, "18");
  EXPECT_EQ(channel::ReadI32(Generic(gn::kShowObject, "", kImage, 99), gn::kNumber0), 0);
  EXPECT_EQ(channel::ReadI32(Generic(gn::kShowObject, "", kSeries, 1), gn::kNumber0), 0);
}

}  // namespace
}  // namespace orvabridge::testing
