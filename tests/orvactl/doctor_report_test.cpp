// How doctor shows its lines: one a check with its status, a remedy under each that is not OK,
// and the same as one JSON object; and how a check sums up several findings.
#include <gtest/gtest.h>

#include <sstream>

#include "doctor/doctor.h"
#include "doctor/doctor_checks.h"

namespace orvabridge::orvactl {
namespace {

std::vector<CheckLine> Lines() {
  CheckLine ok{1, "process", CheckStatus::kOk, "64-bit process", "", {"process 64-bit"}};
  CheckLine warn{2, "settings", CheckStatus::kWarn, "text-out mode ON", "clear it", {}};
  CheckLine fail{10, "com", CheckStatus::kFail, "not \"registered\"", "regsvr32 it", {"a", "b"}};
  return {ok, warn, fail};
}

TEST(OrvactlDoctorReport, TextHasOneLineACheckAndARemedyUnderEveryLineThatIsNotOk) {
  std::ostringstream out;
  PrintDoctorText(Lines(), out);
  EXPECT_EQ(out.str(),
            " 1  OK    process        64-bit process\n"
            " 2  WARN  settings       text-out mode ON\n"
            "                         remedy: clear it\n"
            "10  FAIL  com            not \"registered\"\n"
            "                         remedy: regsvr32 it\n"
            "\n"
            "1 OK, 1 WARN, 1 FAIL\n");
  EXPECT_TRUE(AnyFailed(Lines()));
  EXPECT_FALSE(AnyFailed({Lines()[0], Lines()[1]})) << "a warning alone is no failure";
}

TEST(OrvactlDoctorReport, JsonCarriesTheSameLinesWithANullRemedyForOkLines) {
  std::ostringstream out;
  PrintDoctorJson(Lines(), out);
  EXPECT_EQ(out.str(),
            "{\"summary\":{\"ok\":1,\"warn\":1,\"fail\":1,\"not_applicable\":0},"
            "\"simulated_desktop\":false,\"checks\":["
            "{\"number\":1,\"check\":\"process\",\"status\":\"OK\",\"finding\":\"64-bit process\","
            "\"remedy\":null,\"details\":[\"process 64-bit\"]},"
            "{\"number\":2,\"check\":\"settings\",\"status\":\"WARN\",\"finding\":\"text-out mode "
            "ON\",\"remedy\":\"clear it\",\"details\":[]},"
            "{\"number\":10,\"check\":\"com\",\"status\":\"FAIL\",\"finding\":\"not "
            "\\\"registered\\\"\",\"remedy\":\"regsvr32 it\",\"details\":[\"a\",\"b\"]}]}\n");
}

TEST(OrvactlDoctorReport, SeveralFindingsTakeTheWorstStatusAndTheRemedyOfTheFirstWorst) {
  Findings findings;
  findings.Add(CheckStatus::kWarn, "version unreadable", "set the version");
  findings.Add(CheckStatus::kFail, "vendor empty", "set the vendor");
  findings.Add(CheckStatus::kFail, "key in one view", "copy the key");
  findings.Detail("a fact");
  const CheckLine line = std::move(findings).Line("class-library", "all well");
  EXPECT_EQ(line.status, CheckStatus::kFail);
  EXPECT_EQ(line.finding, "version unreadable; vendor empty; key in one view");
  EXPECT_EQ(line.remedy, "set the vendor");
  EXPECT_EQ(line.details, std::vector<std::string>{"a fact"});

  Findings none;
  const CheckLine ok = std::move(none).Line("trace", "trace off");
  EXPECT_EQ(ok.status, CheckStatus::kOk);
  EXPECT_EQ(ok.finding, "trace off");
  EXPECT_TRUE(ok.remedy.empty());
}

}  // namespace
}  // namespace orvabridge::orvactl
