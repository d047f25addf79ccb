// What orvactl prints about a call and which exit status it earns.
#include <gtest/gtest.h>

#include <sstream>

#include "calls/call.h"
#include "calls/result_codes.h"
#include "output/json.h"
#include "output/report.h"

namespace orvabridge::orvactl {
namespace {

CallOutcome Outcome(std::string_view command, Returned returned,
                    std::vector<std::pair<std::string, Value>> outputs = {}) {
  CallOutcome outcome;
  outcome.command = FindCommand(command);
  outcome.returned = std::move(returned);
  outcome.outputs = std::move(outputs);
  return outcome;
}

TEST(OrvactlReport, JsonEscapesTextsAndCarriesResultMeaningAndTypedOutputs) {
  EXPECT_EQ(JsonString("C:\\Temp\\\"a\""), R"("C:\\Temp\\\"a\"")");
  EXPECT_EQ(JsonString("line\r\nnext\t\x01"), R"("line\r\nnext\t\u0001")");
  EXPECT_EQ(JsonString("M\xC3\xBCller"), "\"M\xC3\xBCller\"");  // UTF-8 passes through

  std::ostringstream out;
  PrintJson(
      Outcome("session", int32_t{1},
              {{"UserID", int32_t{7}}, {"UserLogin", std::string("demo")}, {"IsLoggedIn", true}}),
      out);
  EXPECT_EQ(out.str(),
            "{\"command\":\"session\",\"member\":\"GetSessionInfo\",\"success\":true,"
            "\"result\":1,\"meaning\":\"session read\",\"outputs\":{\"UserID\":7,"
            "\"UserLogin\":\"demo\",\"IsLoggedIn\":true}}\n");
}

TEST(OrvactlReport, TableAndJsonShowTheResultOutputsAndAutomationErrors) {
  CallOutcome failed = Outcome("add-patient-ex", std::monostate{});
  failed.failure = CallFailure{-100, "Orvabridge.Appl.AddPatientEx",
                               "Orvabridge.Appl.AddPatientEx error 5\r\nInvalid call"};
  EXPECT_FALSE(failed.Succeeded());

  std::ostringstream json;
  PrintJson(failed, json);
  EXPECT_NE(json.str().find("\"error\":{\"number\":-100,\"hex\":\"0xFFFFFF9C\","
                            "\"source\":\"Orvabridge.Appl.AddPatientEx\""
                            ",\"description\":\"Orvabridge.Appl.AddPatientEx error 5\\r\\nInvalid "
                            "call\"}"),
            std::string::npos)
      << json.str();

  std::ostringstream table;
  PrintTable(failed, table);
  // The description's second line stays under its first.
  EXPECT_NE(table.str().find("error 5\n               Invalid call"), std::string::npos)
      << table.str();

  std::ostringstream found;
  PrintTable(
      Outcome("find-patient", int32_t{-12}, {{"FName", std::string()}, {"LName", std::string()}}),
      found);
  EXPECT_EQ(found.str(),
            "FindPatient\n"
            "  result       -12  nobody is logged in\n"
            "  FName        \n"
            "  LName        \n");
}

TEST(OrvactlResults, MeaningsAndSuccessFollowTheMembersOwnNumbering) {
  EXPECT_EQ(ResultMeaning("InitApplication", -3), "no imaging application answered");
  EXPECT_EQ(ResultMeaning("FindPatient", -3), "attach message not registered");
  EXPECT_EQ(ResultMeaning("SetWindowState", 91), "failed with error number 91");
  EXPECT_EQ(ResultMeaning("FindPatient", 17), "unexpected result");
  EXPECT_EQ(ResultMeaning("MWLQuery", 12), "the imaging application's answer (a count)");

  EXPECT_TRUE(Outcome("find-patient", int32_t{1}).Succeeded());
  EXPECT_FALSE(Outcome("find-patient", int32_t{0}).Succeeded());
  // No answer is awaited: 0 means the request went out.
  EXPECT_TRUE(Outcome("find-images", int32_t{0}).Succeeded());
  EXPECT_FALSE(Outcome("find-images", int32_t{-4}).Succeeded());
  EXPECT_TRUE(Outcome("worklist", int32_t{3}).Succeeded());
  EXPECT_FALSE(Outcome("worklist", int32_t{0}).Succeeded());
  // Members without a result code succeed when nothing was raised.
  EXPECT_TRUE(Outcome("to-file", false).Succeeded());
}

}  // namespace
}  // namespace orvabridge::orvactl
