// Reading orvactl's command line: options become typed values of the member's parameters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "invocation.h"
#include "values.h"

namespace orvabridge::orvactl {
namespace {

Invocation Parse(std::vector<std::string> args) { return ParseInvocation(args); }

template <class T>
T ValueOf(const Invocation& invocation, const std::string& param) {
  return std::get<T>(invocation.values.at(param));
}

TEST(OrvactlInvocation, OptionsBecomeTypedValuesOfTheirParameters) {
  const Invocation find = Parse({"find-patient", "--pat-id", "1001"});
  ASSERT_NE(find.found, nullptr);
  EXPECT_EQ(find.found->member, "FindPatient");
  EXPECT_EQ(ValueOf<std::string>(find, "PatID"), "1001");

  const Invocation show = Parse({"show-object", "--type", "IMAGE", "--db-id=5", "--options", "-3"});
  EXPECT_EQ(ValueOf<int32_t>(show, "ObjectType"), otImage);
  EXPECT_EQ(ValueOf<int32_t>(show, "lDBID"), 5);
  EXPECT_EQ(ValueOf<int32_t>(show, "lOptions"), -3);

  const Invocation place = Parse({"window-state", "--state", "maximised", "--x", "-20"});
  EXPECT_EQ(ValueOf<int16_t>(place, "iState"), 2);
  EXPECT_EQ(ValueOf<int32_t>(place, "lXPos"), -20);

  // Dates are automation dates: days since 30 December 1899.
  const Invocation worklist = Parse({"worklist", "--start-date", "2024-03-01"});
  EXPECT_DOUBLE_EQ(ValueOf<double>(worklist, "StartDate"), 45352.0);
  EXPECT_DOUBLE_EQ(ValueOf<double>(Parse({"worklist", "--start-date", "45352.5"}), "StartDate"),
                   45352.5);
}

TEST(OrvactlInvocation, ATextValueMayLookLikeAnOptionAndABooleanNeedsNone) {
  const Invocation add = Parse({"add-patient", "--pat-id", "7", "--comments", "--json"});
  EXPECT_EQ(ValueOf<std::string>(add, "Comments"), "--json");
  EXPECT_FALSE(add.json);
  EXPECT_EQ(ValueOf<std::string>(Parse({"add-patient", "--comments="}), "Comments"), "");

  const Invocation login = Parse({"login", "--edit-rights", "--admin-rights", "no",
                                  "--delete-rights", "-1", "--approve-rights"});
  EXPECT_TRUE(ValueOf<bool>(login, "EditRights"));
  EXPECT_FALSE(ValueOf<bool>(login, "AdminRights"));
  EXPECT_TRUE(ValueOf<bool>(login, "DeleteRights"));  // the automation true
  EXPECT_TRUE(ValueOf<bool>(login, "ApproveRights"));
}

TEST(OrvactlInvocation, GlobalSwitchesStandAnywhereAndHelpIsGrantedBesideBadOptions) {
  const Invocation before = Parse({"--json", "--logged-out", "session"});
  EXPECT_TRUE(before.json);
  EXPECT_TRUE(before.logged_out);
  EXPECT_EQ(before.command, "session");
  const Invocation after = Parse({"session", "--json"});
  EXPECT_TRUE(after.json);
  EXPECT_TRUE(Parse({"demo"}).found == nullptr);
  EXPECT_TRUE(Parse({}).command.empty());

  const Invocation help = Parse({"find-patient", "--no-such", "--help"});
  EXPECT_TRUE(help.help);
  EXPECT_EQ(help.command, "find-patient");
}

TEST(OrvactlInvocation, RefusesWhatDoesNotFit) {
  const std::vector<std::vector<std::string>> refused = {
      {"no-such-command"},
      {"find-patient", "--no-such", "1"},
      {"find-patient", "--fname", "Anna"},  // FName is an output: it takes no option
      {"find-patient", "--pat-id"},
      {"find-patient", "--pat-id", "1", "--pat-id", "2"},
      {"find-patient", "1001"},
      {"--pat-id", "1", "find-patient"},
      {"demo", "--fast"},
      {"show-patient-ex", "--options", "12x"},
      {"show-patient-ex", "--options", "2147483648"},
      {"window-state", "--state", "40000"},
      {"show-object", "--type", "tooth"},
      {"selected-card", "--get-images", "maybe"},
      {"worklist", "--start-date", "2023-02-29"},
      {"worklist", "--start-date", "yesterday"},
  };
  for (const auto& args : refused) {
    std::string joined;
    for (const auto& word : args) joined += word + " ";
    EXPECT_THROW(Parse(args), UsageError) << joined;
  }
}

TEST(OrvactlValues, DateSerialsFollowTheAutomationCalendar) {
  double serial = -1;
  ASSERT_TRUE(DateSerial(1899, 12, 30, serial));
  EXPECT_EQ(serial, 0);
  ASSERT_TRUE(DateSerial(1899, 12, 29, serial));
  EXPECT_EQ(serial, -1);
  ASSERT_TRUE(DateSerial(2000, 2, 29, serial));
  EXPECT_EQ(serial, 36585);
  EXPECT_FALSE(DateSerial(2024, 13, 1, serial));
  EXPECT_FALSE(DateSerial(2024, 4, 31, serial));
}

}  // namespace
}  // namespace orvabridge::orvactl
