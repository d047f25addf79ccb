// Reading orvactl's command line: options become typed values of the member's parameters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calls/values.h"
#include "cli/invocation.h"

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
  EXPECT_EQ(ValueOf<std::string>(Parse({"add-patient", "--pat-id=7", "--comments="}), "Comments"),
            "");

  const Invocation login = Parse({"login", "--login", "demo", "--edit-rights", "--admin-rights",
                                  "no", "--delete-rights", "-1", "--approve-rights"});
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
      {"find-patient"},                       // its required patient id left out
      {"group-login", "--login", "demo"},     // the group left out
      {"session", "--", "extra"},             // no required parameter takes the word
      {"--version", "--", "--json", "oops"},  // after "--" nothing is a switch
  };
  for (const auto& args : refused) {
    std::string joined;
    for (const auto& word : args) joined += word + " ";
    EXPECT_THROW(Parse(args), UsageError) << joined;
  }
}

TEST(OrvactlInvocation, ARequiredParameterMustBeGivenButMayBeEmpty) {
  try {
    Parse({"find-patient"});
    ADD_FAILURE() << "find-patient without its patient id was accepted";
  } catch (const UsageError& error) {
    EXPECT_EQ(
        std::string(error.what()),
        "find-patient needs --pat-id TEXT (PatID; an empty value is passed on: --pat-id \"\")");
  }
  EXPECT_EQ(ValueOf<std::string>(Parse({"find-patient", "--pat-id", ""}), "PatID"), "");
  EXPECT_EQ(ValueOf<std::string>(Parse({"search-image", "--patient-id="}), "patientid"), "");
  // Only the member table's required parameters: an optional one or an unmarked one may be left.
  EXPECT_TRUE(Parse({"show-patient"}).values.empty());
  EXPECT_TRUE(Parse({"find-patient", "--help"}).help) << "help needs nothing";
  EXPECT_TRUE(Parse({"find-patient", "--version"}).version);
}

TEST(OrvactlInvocation, AfterTheEndOfOptionsWordsAreTheRequiredValuesInOrder) {
  const Invocation find = Parse({"find-patient", "--", "-17"});
  EXPECT_EQ(ValueOf<std::string>(find, "PatID"), "-17");

  const Invocation group =
      Parse({"--json", "group-login", "--password", "pw", "--", "--help", "--json"});
  EXPECT_EQ(ValueOf<std::string>(group, "LoginName"), "--help");
  EXPECT_EQ(ValueOf<std::string>(group, "UserGroup"), "--json");
  EXPECT_FALSE(group.help) << "--help after \"--\" is a value";
  EXPECT_TRUE(group.json);
  EXPECT_EQ(ValueOf<std::string>(Parse({"find-patient", "--", ""}), "PatID"), "");

  // Before "--" a bare word is refused, with the option it would need.
  try {
    Parse({"find-patient", "1001"});
    ADD_FAILURE() << "a bare word was accepted";
  } catch (const UsageError& error) {
    EXPECT_NE(std::string(error.what()).find("--pat-id 1001"), std::string::npos) << error.what();
  }
}

TEST(OrvactlInvocation, HelpInTheCommandsPlaceAndVersionAreGlobal) {
  const Invocation help = Parse({"help", "find-patient"});
  EXPECT_TRUE(help.help);
  EXPECT_EQ(help.command, "find-patient");
  ASSERT_NE(help.found, nullptr);
  EXPECT_TRUE(Parse({"help"}).help);
  EXPECT_EQ(Parse({"help", "doctor"}).command, "doctor");
  EXPECT_EQ(Parse({"doctor"}).found, nullptr);
  EXPECT_TRUE(Parse({"--version"}).version);
  EXPECT_TRUE(AsksForJson(std::vector<std::string>{"fnd", "--json"}));
  EXPECT_FALSE(AsksForJson(std::vector<std::string>{"find-patient", "--", "--json"}));
}

TEST(OrvactlInvocation, AnUnknownCommandOrOptionNamesTheNearestKnownOne) {
  auto suggestion = [](std::vector<std::string> args) {
    try {
      Parse(args);
    } catch (const UsageError& error) {
      return error.suggestion();
    }
    return std::string("(accepted)");
  };
  EXPECT_EQ(suggestion({"fnd-patient"}), "find-patient");
  EXPECT_EQ(suggestion({"FindPatient", "--pat-id", "1"}), "find-patient");
  EXPECT_EQ(suggestion({"docter"}), "doctor");
  EXPECT_EQ(suggestion({"find-patient", "--patid", "1"}), "--pat-id");
  EXPECT_EQ(suggestion({"session", "--jsn"}), "--json");
  EXPECT_EQ(suggestion({"--verison"}), "--version");
  EXPECT_EQ(suggestion({"frobnicate"}), "");
  try {
    Parse({"fnd-patient"});
  } catch (const UsageError& error) {
    EXPECT_EQ(std::string(error.what()),
              "unknown command \"fnd-patient\" (orvactl --help lists them); did you mean "
              "find-patient?");
  }
}

}  // namespace
}  // namespace orvabridge::orvactl
