// How a call's arguments are handed to the member: omitted inputs, collected outputs.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "calls/bindings.h"
#include "calls/commands.h"

namespace orvabridge::orvactl {
namespace {

const CommandEntry& Command(std::string_view name) {
  const CommandEntry* command = FindCommand(name);
  EXPECT_NE(command, nullptr) << name;
  return *command;
}

TEST(OrvactlBindings, OmittedOptionalInputsArePassedAsOmittedButOutputsAlwaysGetAVariable) {
  Bindings login(Command("login"),
                 {{"AdminLoginName", std::string("admin")}, {"ChangeRightsMethod", int32_t{2}}});
  EXPECT_EQ(*login.Variable<std::string>("AdminLoginName"), "admin");
  EXPECT_EQ(*login.Variable<int32_t>("ChangeRightsMethod"), 2);
  EXPECT_EQ(login.Variable<std::string>("AdminPassword"), nullptr);
  // Required parameters always have a variable, empty when not given.
  EXPECT_EQ(*login.Variable<std::string>("LoginName"), "");

  Bindings session(Command("session"), {});
  EXPECT_NE(session.Variable<bool>("IsLoggedIn"), nullptr);
  EXPECT_NE(session.Variable<std::string>("sextra"), nullptr);       // in and out
  EXPECT_NE(login.Variable<std::string>("UserFirstname"), nullptr);  // an output
}

TEST(OrvactlBindings, OutputsAreReportedInParameterOrderWithWhatTheMemberWrote) {
  Bindings find(Command("find-patient"), {{"PatID", std::string("1001")}});
  *find.Variable<std::string>("FName") = "Anna";
  *find.Variable<std::string>("PatID") = "changed";  // an input, even if the member changed it
  const auto outputs = find.Outputs();
  ASSERT_EQ(outputs.size(), 2u);
  EXPECT_EQ(outputs[0].first, "FName");
  EXPECT_EQ(std::get<std::string>(outputs[0].second), "Anna");
  EXPECT_EQ(outputs[1].first, "LName");

  Bindings image(Command("get-image"), {{"PicturePath", std::string("C:\\in")}});
  const auto image_outputs = image.Outputs();
  ASSERT_EQ(image_outputs.size(), 1u);
  EXPECT_EQ(std::get<std::string>(image_outputs[0].second), "C:\\in");
}

TEST(OrvactlBindings, AParameterTheTableDoesNotDeclareIsAFaultOfTheTable) {
  Bindings find(Command("find-patient"), {});
  EXPECT_THROW(find.Variable<std::string>("PatientID"), std::logic_error);
  EXPECT_THROW(find.Variable<int32_t>("PatID"), std::bad_variant_access);
  EXPECT_THROW(Bindings(Command("find-patient"), {{"Nope", std::string()}}), std::logic_error);
}

TEST(OrvactlCommands, EveryMemberHasOneCommandWithDistinctOptions) {
  std::set<std::string_view> members;
  for (const CommandEntry& command : Commands()) {
    EXPECT_TRUE(members.insert(command.member).second) << command.member;
    std::set<std::string_view> options;
    for (const ParamEntry& param : command.params) {
      EXPECT_EQ(param.TakesOption(), !param.option.empty()) << command.name << " " << param.name;
      if (param.TakesOption()) {
        EXPECT_TRUE(options.insert(param.option).second) << command.name << " " << param.option;
      }
    }
  }
  EXPECT_EQ(members.size(), 28u);
}

}  // namespace
}  // namespace orvabridge::orvactl
