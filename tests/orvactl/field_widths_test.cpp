// Texts longer than their record fields: the table of fields names real text inputs of the
// members, and a cut is measured in the ANSI code page, where the imaging application sees it.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "calls/commands.h"
#include "cli/field_widths.h"
#include "interface/members.h"
#include "support/test_platform.h"

namespace orvabridge::orvactl {
namespace {

TEST(OrvactlFieldWidths, EveryFieldBelongsToATextInputOfItsMember) {
  std::set<std::pair<std::string_view, std::string_view>> seen;
  for (const auto& [member, parameter] : FieldWidthEntries()) {
    EXPECT_TRUE(seen.insert({member, parameter}).second) << member << " " << parameter << " twice";
    const api::Member* found = nullptr;
    for (const api::Member& candidate : api::Members()) {
      if (candidate.name == member) found = &candidate;
    }
    ASSERT_NE(found, nullptr) << member;
    bool is_text_input = false;
    for (const api::Parameter& param : found->parameters) {
      if (param.name == parameter) {
        is_text_input = param.type == api::Type::kText && param.TakesValue();
      }
    }
    EXPECT_TRUE(is_text_input) << member << " has no text input " << parameter;
  }
  // The widths of the records, by a few that hosts meet most.
  EXPECT_EQ(FieldWidth("FindPatient", "PatID"), 64u);
  EXPECT_EQ(FieldWidth("AddPatientEx", "FName"), 256u);
  EXPECT_EQ(FieldWidth("GetSelectedImageCard", "ICXML"), 20001u);
  EXPECT_EQ(FieldWidth("GetSessionInfo", "sextra"), 1024u);
  EXPECT_EQ(FieldWidth("FindImages", "FromDate"), std::nullopt) << "sent as a date range";
}

TEST(OrvactlFieldWidths, ATextIsCutWhenItsAnsiBytesPassTheFieldNotItsUtf8Bytes) {
  const auto platform = testing::MakeTestPlatform();
  platform::CodePage& code_page = platform->AnsiCodePage();
  const CommandEntry& add = *FindCommand("add-patient-ex");
  std::string e_acute_64;
  for (int i = 0; i < 64; ++i) e_acute_64 += "\xC3\xA9";  // 128 UTF-8 bytes, 64 ANSI bytes
  const std::map<std::string, Value> values = {
      {"PatID", std::string(64, '7')},   // fills its field exactly: no cut
      {"Sex", e_acute_64},               // the same in the ANSI code page
      {"FName", std::string(300, 'a')},  // 256 arrive
      {"Comments", std::string("short")},
      {"Birthdate", std::string(65, '1')},  // one too many
  };
  const std::vector<CutText> cut = CutTexts(add, values, code_page);
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[0].option, "--first-name");
  EXPECT_EQ(cut[0].bytes, 300u);
  EXPECT_EQ(cut[0].width, 256u);
  EXPECT_EQ(cut[0].kept, 256u);
  EXPECT_EQ(cut[1].option, "--birthdate");
  EXPECT_EQ(Describe(cut[1]),
            "--birthdate is cut: 65 bytes in the ANSI code page, its field holds 64; the imaging "
            "application receives the first 64");
}

}  // namespace
}  // namespace orvabridge::orvactl
