// The member table's behaviour columns against its other columns: what help and the result texts
// tell a user must agree with how the member is said to run.
#include <gtest/gtest.h>

#include <algorithm>

#include "interface/members.h"

namespace orvabridge::api {
namespace {

bool Lists(const Member& member, int32_t code) {
  return std::ranges::any_of(member.results,
                             [code](const ResultMeaning& listed) { return listed.code == code; });
}

TEST(MemberColumns, TheRequiredInputIsATextTheMemberTakes) {
  for (const Member& member : Members()) {
    if (member.required.empty()) continue;
    const auto found = std::ranges::find(member.parameters, member.required, &Parameter::name);
    ASSERT_NE(found, member.parameters.end()) << member.name << ": " << member.required;
    EXPECT_TRUE(found->TakesValue() && found->type == Type::kText) << member.name;
    EXPECT_FALSE(found->optional) << member.name;
    EXPECT_NE(member.guards, Guards::kNone) << member.name << " checks no input";
  }
}

TEST(MemberColumns, GuardedMembersListWhatTheirGuardsReturn) {
  for (const Member& member : Members()) {
    const bool guarded = member.guards == Guards::kAll || member.guards == Guards::kAllButSession;
    if (guarded) {
      for (int32_t code : {result::kNoTargetWindow, result::kFormNotLoaded, result::kNoReplyWindow,
                           result::kNoControlMessage}) {
        EXPECT_TRUE(Lists(member, code)) << member.name << " does not list " << code;
      }
    }
    // Only a member that asks who is logged in can answer that nobody is.
    EXPECT_EQ(Lists(member, result::kNotLoggedIn), member.guards == Guards::kAll) << member.name;
  }
}

TEST(MemberColumns, FailurePoliciesMatchHowResultsRead) {
  for (const Member& member : Members()) {
    // A member that returns a failure's number reads unknown results as such numbers.
    EXPECT_EQ(member.on_failure == OnFailure::kReturnsNumber,
              member.other_results == OtherResults::kErrorNumber)
        << member.name;
    if (member.on_failure == OnFailure::kReturnsImageFailure) {
      EXPECT_TRUE(Lists(member, result::kImageFailure)) << member.name;
    }
    // A member that sends nothing waits for nothing.
    if (member.guards == Guards::kNone && member.name != "InitApplication") {
      EXPECT_EQ(member.waits_seconds, 0) << member.name;
    }
  }
}

}  // namespace
}  // namespace orvabridge::api
