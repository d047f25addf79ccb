// orvactl.exe as a user runs it, in a process of its own with its output redirected: arguments
// beyond the ANSI code page arrive whole and come back as UTF-8, a write that fails ends in a
// failure, and a text makes the round trip through orva-sim.exe in another process.
#include <gtest/gtest.h>

#include <string>

#include "cli.h"
#include "win32/child_program.h"
#include "win32/cross_process_fixture.h"

namespace orvabridge {
namespace {

using win32_testing::Finished;

Finished RunOrvactlExe(const std::wstring& arguments, bool close_out = false) {
  return win32_testing::RunProgram(L"orvactl.exe", arguments, close_out);
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

}  // namespace
}  // namespace orvabridge
