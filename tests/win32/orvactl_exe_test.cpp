// orvactl.exe as a user runs it, in a process of its own with its output redirected: arguments
// beyond the ANSI code page arrive whole and come back as UTF-8, a write that fails ends in a
// failure, and a text makes the round trip through orva-sim.exe in another process.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli.h"
#include "win32/child_program.h"
#include "win32/cross_process_fixture.h"

namespace orvabridge {
namespace {

using win32_testing::Finished;

Finished RunOrvactlExe(const std::wstring& arguments, bool close_out = false,
                       const std::optional<std::string>& input = std::nullopt) {
  return win32_testing::RunProgram(L"orvactl.exe", arguments, close_out, input);
}

TEST(OrvactlExe, ArgumentsBeyondTheAnsiCodePageArriveWholeAndComeBackAsUtf8) {
  // "Zoë Łukasz 東京": the ANSI code page (1252) has ë but neither Ł nor the Kanji.
  const Finished unknown = RunOrvactlExe(L"--json \"Zo\x00EB \x0141ukasz \x6771\x4EAC\"");
  EXPECT_EQ(unknown.exit_code, 2u) << unknown.err;
  EXPECT_NE(
      unknown.out.find("unknown command \\\"Zo\xC3\xAB \xC5\x81ukasz \xE6\x9D\xB1\xE4\xBA\xAC\\\""),
      std::string::npos)
      << unknown.out;

  const Finished version = RunOrvactlExe(L"--version");
  EXPECT_EQ(version.exit_code, 0u);
  EXPECT_EQ(version.out, "orvactl " + orvactl::OrvactlVersion() + "\n");
}

TEST(OrvactlExe, AFailedWriteToStandardOutputEndsInAFailure) {
  const Finished closed = RunOrvactlExe(L"--help", true);
  EXPECT_EQ(closed.exit_code, 5u) << closed.err;
  EXPECT_NE(closed.err.find("orvactl: cannot write to standard output"), std::string::npos)
      << closed.err;
}

class OrvactlExeWithSimulator : public testing::CrossProcessTest {};

TEST_F(OrvactlExeWithSimulator, ANameTravelsToTheApplicationAndBackUnchanged) {
  StartSimulator("--demo-data --logged-in demo");
  const Finished added =
      RunOrvactlExe(L"add-patient-ex --pat-id 3001 --first-name Zo\x00EB --last-name \x00D8rsted");
  EXPECT_EQ(added.exit_code, 0u) << added.out << added.err;
  const Finished found = RunOrvactlExe(L"--json find-patient --pat-id 3001");
  EXPECT_EQ(found.exit_code, 0u) << found.out << found.err;
  EXPECT_NE(found.out.find("\"FName\":\"Zo\xC3\xAB\",\"LName\":\"\xC3\x98rsted\""),
            std::string::npos)
      << found.out;
}

TEST_F(OrvactlExeWithSimulator,
       CharactersTheCodePageLacksAreWarnedOfBeforeTheyArriveAsQuestionMarks) {
  StartSimulator("--demo-data --logged-in demo");
  const Finished added =
      RunOrvactlExe(L"add-patient --pat-id 3002 --first-name \x0141ukasz --last-name Holm");
  EXPECT_EQ(added.exit_code, 0u) << added.out << added.err;
  EXPECT_NE(added.err.find("orvactl: warning: --first-name: 1 character the ANSI code page 1252 "
                           "cannot hold (\xC5\x81) arrives as \"?\""),
            std::string::npos)
      << added.err;
  const Finished found = RunOrvactlExe(L"--json find-patient --pat-id 3002");
  EXPECT_NE(found.out.find("\"FName\":\"?ukasz\""), std::string::npos) << found.out;
}

TEST_F(OrvactlExeWithSimulator, AShellLogsInFindsShowsAndLogsOutThroughOneObject) {
  StartSimulator("--demo-data");
  const Finished session = RunOrvactlExe(L"--json shell", false,
                                         "# one object for the whole sequence\r\n"
                                         "login --login demo --password demo\r\n"
                                         "find-patient --pat-id 1001\r\n"
                                         "show-patient --pat-id 1001\r\n"
                                         "session\r\n"
                                         "logout\r\n");
  EXPECT_EQ(session.exit_code, 0u) << session.out << session.err;
  const std::string& out = session.out;
  EXPECT_NE(out.find("{\"command\":\"login\",\"member\":\"UserLogin\",\"success\":true"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("\"FName\":\"Ines\""), std::string::npos) << out;
  EXPECT_NE(out.find("{\"command\":\"show-patient\",\"member\":\"ShowPatient\",\"success\":true"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("\"UserLogin\":\"demo\""), std::string::npos)
      << "the login of the first line holds for the later ones: " << out;
  EXPECT_NE(out.find("{\"command\":\"logout\""), std::string::npos) << out;
}

}  // namespace
}  // namespace orvabridge
