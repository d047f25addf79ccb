// Reading call-log lines back: every line the library writes is taken as the call it records,
// and a line that cannot be split into its member's fields in exactly one way is refused with a
// reason instead of being guessed at.
#include "call_line.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "link/call_log_line.h"

namespace orvabridge::relay {
namespace {

std::string ReasonFor(std::string_view line) {
  auto parsed = ParseCallLine(line);
  const Rejection* rejection = std::get_if<Rejection>(&parsed);
  return rejection ? rejection->reason : std::string("(taken)");
}

// A value of the parameter's type as the library writes it, different for every position.
std::string SampleValue(const api::Parameter& parameter, size_t position) {
  switch (parameter.type) {
    case api::Type::kBool:
      return position % 2 ? "1" : "0";
    case api::Type::kText:
      return "v" + std::to_string(position) + " é";
    default:
      return std::to_string(position);  // numbers and enumerations, in decimal
  }
}

TEST(CallLine, EveryLineTheLibraryWritesIsTakenAsItsCall) {
  size_t members = 0;
  for (const api::Member& member : api::Members()) {
    if (!member.logs_call || member.LogName() != member.name) continue;
    ++members;
    std::vector<std::string> values;
    for (size_t k = 0; k < member.parameters.size(); ++k) {
      values.push_back(SampleValue(member.parameters[k], k));
    }
    std::string line(member.name);
    line += link::kCallLogSeparator;
    for (size_t k = 0; k < values.size(); ++k) {
      line += (k ? std::string(link::kCallLogSeparator) : std::string()) + values[k];
    }
    auto parsed = ParseCallLine(line);
    ASSERT_TRUE(std::holds_alternative<ReplayCall>(parsed)) << line << ": " << ReasonFor(line);
    const ReplayCall& call = std::get<ReplayCall>(parsed);
    EXPECT_EQ(call.member->name, member.name);
    ASSERT_NE(call.command, nullptr);
    for (size_t k = 0; k < member.parameters.size(); ++k) {
      const api::Parameter& parameter = member.parameters[k];
      const auto it = call.arguments.find(std::string(parameter.name));
      if (!parameter.TakesValue()) {
        EXPECT_EQ(it, call.arguments.end())
            << member.name << " passes its output " << parameter.name;
        continue;
      }
      ASSERT_NE(it, call.arguments.end()) << member.name << " lost " << parameter.name;
      EXPECT_EQ(orvactl::ValueText(it->second),
                parameter.type == api::Type::kBool ? (k % 2 ? "true" : "false") : values[k])
          << member.name << "." << parameter.name;
    }
  }
  EXPECT_EQ(members,
            11u);  // the members with a line of their own, logins and patient writes included
}

TEST(CallLine, LinesWrittenByTheLibrarysOwnBuilderRoundTrip) {
  const std::string line =
      link::CallLogLine(api::MemberNamed("SetWindowState"), {"2", "-10", "20", "800", "600", "-1"});
  auto parsed = ParseCallLine(line);
  ASSERT_TRUE(std::holds_alternative<ReplayCall>(parsed)) << ReasonFor(line);
  EXPECT_EQ(std::get<int32_t>(std::get<ReplayCall>(parsed).arguments.at("lParent")), -1);
  EXPECT_EQ(std::get<int16_t>(std::get<ReplayCall>(parsed).arguments.at("iState")), 2);
  EXPECT_EQ(ReasonFor(link::CallLogLine(api::MemberNamed("UserLogout"), {})), "(taken)");
  EXPECT_EQ(ReasonFor(link::CallLogLine(api::MemberNamed("FindPatient"), {"", "", ""})), "(taken)");
}

TEST(CallLine, AValueThatMakesTheSplitAmbiguousIsRefused) {
  // A separator inside a value, or one that a value's edge makes with its neighbour.
  for (const std::string value : {"Smith ; Jones", "ends with ;", "; starts", " ; "}) {
    const std::string line =
        link::CallLogLine(api::MemberNamed("FindPatient"), {"1001", value, "x"});
    EXPECT_NE(ReasonFor(line).find("ambiguous"), std::string::npos) << "[" << line << "]";
  }
  // The only member without fields cannot carry more.
  EXPECT_NE(ReasonFor("UserLogout ; x").find("takes no values"), std::string::npos);
}

TEST(CallLine, LinesThatAreNoCallAreRefusedWithTheReason) {
  EXPECT_EQ(ReasonFor(""), "empty line");
  EXPECT_NE(ReasonFor("FormatDisk ; C").find("no member"), std::string::npos);
  // Read-only members and the plain forms that log their Ex member's line never write one.
  EXPECT_NE(ReasonFor("GetCurrentPatient ; ").find("no member"), std::string::npos);
  EXPECT_NE(ReasonFor("ShowPatient ; 1001").find("no member"), std::string::npos);
  EXPECT_NE(ReasonFor("FindPatient ; 1001 ; Ines").find("too few fields"), std::string::npos);
  EXPECT_NE(ReasonFor("UserLogout").find("no \" ; \""), std::string::npos);
  EXPECT_NE(ReasonFor("ShowPatientEx ; 1001 ; lots").find("unreadable value"), std::string::npos);
  EXPECT_NE(ReasonFor("ShowPatientEx ; 1001 ; 99999999999").find("unreadable value"),
            std::string::npos);
  // A line cut where a value held a line break.
  EXPECT_NE(ReasonFor("with a line break ; 3").find("no member"), std::string::npos);
}

TEST(CallLine, PasswordsNeverLeaveTheLine) {
  const api::Member& login = api::MemberNamed("UserLogin");
  std::vector<std::string> values(login.parameters.size(), "0");
  values[0] = "drsmith";
  values[1] = "s3cret";
  values[3] = "adminpw";
  std::string line(login.name);
  for (const std::string& value : values) line += std::string(link::kCallLogSeparator) + value;
  const std::string masked = MaskedCallLine(line);
  EXPECT_EQ(masked.find("s3cret"), std::string::npos) << masked;
  EXPECT_EQ(masked.find("adminpw"), std::string::npos) << masked;
  EXPECT_EQ(masked.rfind("UserLogin ; drsmith ; *** ; 0 ; *** ; ", 0), 0u) << masked;

  // When the fields cannot be told apart, none of them is kept.
  const std::string ambiguous = "UserGroupLogin ; drsmith ; hunter2 ; more ; staff";
  const std::string withheld = MaskedCallLine(ambiguous);
  EXPECT_EQ(withheld.find("hunter2"), std::string::npos) << withheld;
  EXPECT_EQ(withheld.rfind("UserGroupLogin ; ", 0), 0u) << withheld;

  // Lines without passwords stay as they are.
  EXPECT_EQ(MaskedCallLine("FindPatient ; 1 ; a ; b"), "FindPatient ; 1 ; a ; b");
  EXPECT_EQ(MaskedCallLine("anything at all"), "anything at all");
}

}  // namespace
}  // namespace orvabridge::relay
