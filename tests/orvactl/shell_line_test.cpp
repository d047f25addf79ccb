// The words of an `orvactl shell` line: the same words a command line would have, with Windows
// paths kept as they are.
#include <gtest/gtest.h>

#include "calls/values.h"
#include "cli/shell.h"

namespace orvabridge::orvactl {
namespace {

using Words = std::vector<std::string>;

TEST(OrvactlShellLine, BlanksSeparateQuotesKeepAndBackslashesStay) {
  EXPECT_EQ(SplitShellLine("find-patient --pat-id 1001"),
            (Words{"find-patient", "--pat-id", "1001"}));
  EXPECT_EQ(SplitShellLine("  add-patient\t--last-name \"van der Berg\" --comments 'say \"hi\"'"),
            (Words{"add-patient", "--last-name", "van der Berg", "--comments", "say \"hi\""}));
  EXPECT_EQ(SplitShellLine(R"(get-image --picture-path C:\Images\a.jpg --templib "")"),
            (Words{"get-image", "--picture-path", R"(C:\Images\a.jpg)", "--templib", ""}));
  EXPECT_EQ(SplitShellLine("--pat-id=\"a b\"c"), (Words{"--pat-id=a bc"}));
}

TEST(OrvactlShellLine, BlankLinesAndCommentsHaveNoWordsAndAnOpenQuoteIsRefused) {
  EXPECT_TRUE(SplitShellLine("").empty());
  EXPECT_TRUE(SplitShellLine("   \t ").empty());
  EXPECT_TRUE(SplitShellLine("  # log in first").empty());
  EXPECT_EQ(SplitShellLine("find-patient --pat-id #7"), (Words{"find-patient", "--pat-id", "#7"}));
  EXPECT_THROW(SplitShellLine("find-patient --pat-id \"1001"), UsageError);
}

}  // namespace
}  // namespace orvabridge::orvactl
