// orvactl's help texts: every command and option is there to be found, and the text is laid out
// in lines that fit.
#include <gtest/gtest.h>

#include <algorithm>

#include <sstream>

#include "calls/commands.h"
#include "cli/help.h"
#include "output/text_layout.h"

namespace orvabridge::orvactl {
namespace {

std::string CommandHelp(const CommandEntry& command) {
  std::ostringstream out;
  PrintCommandHelp(out, command);
  return out.str();
}

TEST(OrvactlHelp, OverviewListsEveryCommandWithItsMember) {
  std::ostringstream out;
  PrintOverview(out, "Where the calls go.");
  const std::string text = out.str();
  for (const CommandEntry& command : Commands()) {
    EXPECT_NE(text.find("  " + std::string(command.name) + " "), std::string::npos) << command.name;
    EXPECT_NE(text.find(" " + std::string(command.member) + " "), std::string::npos)
        << command.member;
  }
  EXPECT_NE(text.find("  demo "), std::string::npos);
}

// The help's lines joined into one, so that a phrase may be found across a line break.
std::string Joined(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

TEST(OrvactlHelp, CommandHelpNamesEveryOptionAndOutputAndShowsEnumerationsAndResults) {
  for (const CommandEntry& command : Commands()) {
    const std::string text = CommandHelp(command);
    for (const ParamEntry& param : command.params) {
      if (param.TakesOption()) {
        EXPECT_NE(text.find("--" + std::string(param.option) + " "), std::string::npos)
            << command.name << " --" << param.option;
      }
      EXPECT_NE(text.find(std::string(param.name) + " "), std::string::npos)
          << command.name << " " << param.name;
    }
  }

  const std::string show_object = CommandHelp(*FindCommand("show-object"));
  EXPECT_NE(show_object.find("[patient, series, imagecard, image]"), std::string::npos)
      << show_object;
  EXPECT_NE(show_object.find("-6    no reply within 30 seconds"), std::string::npos);
  EXPECT_NE(Joined(show_object).find("Waits up to 30 seconds"), std::string::npos) << show_object;

  // What runs before the send comes from the member's row: the session question only where it
  // is asked, the required input by name.
  const std::string find = Joined(CommandHelp(*FindCommand("find-patient")));
  EXPECT_NE(find.find("logged in (-12)"), std::string::npos) << find;
  EXPECT_NE(find.find("checks that PatID is not empty (-5)"), std::string::npos) << find;
  const std::string login = CommandHelp(*FindCommand("login"));
  EXPECT_EQ(login.find("(-12)"), std::string::npos) << login;
  EXPECT_NE(CommandHelp(*FindCommand("window-state")).find("any other value"), std::string::npos);
}

TEST(OrvactlTextLayout, FillsItemsIntoLinesThatFit) {
  EXPECT_EQ(FillLines({"aaa", "bbb", "ccc"}, 2, 10, " "), "  aaa bbb\n  ccc\n");
  // An item longer than a line stands alone rather than being cut.
  EXPECT_EQ(FillLines({"a", "0123456789ABC", "b"}, 0, 8, "  "), "a\n0123456789ABC\nb\n");
  EXPECT_EQ(FillWords("  one  two   three ", 1, 9), " one two\n three\n");
}

}  // namespace
}  // namespace orvabridge::orvactl
