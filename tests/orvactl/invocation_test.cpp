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
  EXPECT_EQ(ValueOf<int32_t>(show, "lOptions"), -3);

  EXPECT_EQ(ValueOf<int16_t>(Parse({"window-state", "--state", "maximised"}), "iState"), 2);

  // Dates are automation dates: days since 30 December 1899.
  const Invocation worklist = Parse({"worklist", "--start-date", "2000-02-29"});
  EXPECT_DOUBLE_EQ(ValueOf<double>(worklist, "StartDate"), 36585.0);
  EXPECT_DOUBLE_EQ(ValueOf<double>(Parse({"worklist", "--start-date", "45352.5"}), "StartDate"),
                   45352.5);
}

TEST(OrvactlInvocation, ATextValueMayLookLikeAnOptionABooleanNeedsNoneAndHelpWins) {
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

  const Invocation help = Parse({"find-patient", "--no-such", "--help"});
  EXPECT_TRUE(help.help) << "help is granted beside a bad option";
}

TEST(OrvactlInvocation, RefusesWhatDoesNotFit) {
  const std::vector<std::vector<std::string>> refused = {
      {"no-such-command"},
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
      {"worklist", "--start-date", "2024-04-31"},
      {"worklist", "--start-date", "yesterday"},
  };
  for (const auto& args : refused) {
    std::string joined;
    for (const auto& word : args) joined += word + " ";
    EXPECT_THROW(Parse(args), UsageError) << joined;
  }
}

}  // namespace
}  // namespace orvabridge::orvactl
