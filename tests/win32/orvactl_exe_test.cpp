// orvactl.exe as a user runs it, in a process of its own with its output redirected: arguments
// beyond the ANSI code page arrive whole and come back as UTF-8, a write that fails ends in a
// failure, and a text makes the round trip through orva-sim.exe in another process.
#include <gtest/gtest.h>

#include <string>

#include "cli.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/unique_handle.h"
#include "win32/cross_process_fixture.h"

namespace orvabridge {
namespace {

using platform::win32::UniqueHandle;
using platform::win32::Utf8ToWide;

struct Finished {
  DWORD exit_code = 0xFFFFFFFF;
  std::string out;
  std::string err;
};

std::wstring OrvactlPath() {
  std::wstring path = Utf8ToWide(win32_testing::SimulatorPath());
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"orvactl.exe";
}

std::string ReadAll(HANDLE pipe) {
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  return bytes;
}

// Runs orvactl.exe with `arguments` (a wide command line, as a console passes it); `close_out`
// closes the reading end of standard output before the program writes.
Finished RunOrvactlExe(const std::wstring& arguments, bool close_out = false) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  UniqueHandle out_read, out_write, err_read, err_write;
  constexpr DWORD kPipeSize = 1 << 20;  // every answer fits: the program never waits for us
  Finished finished;
  if (!::CreatePipe(out_read.Receive(), out_write.Receive(), &inherit, kPipeSize) ||
      !::CreatePipe(err_read.Receive(), err_write.Receive(), &inherit, kPipeSize)) {
    ADD_FAILURE() << "no pipes";
    return finished;
  }
  ::SetHandleInformation(out_read.Get(), HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(err_read.Get(), HANDLE_FLAG_INHERIT, 0);
  if (close_out) out_read.Reset();

  std::wstring command = L"\"" + OrvactlPath() + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = out_write.Get();
  startup.hStdError = err_write.Get();
  PROCESS_INFORMATION started = {};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &started)) {
    ADD_FAILURE() << "orvactl.exe did not start: " << ::GetLastError();
    return finished;
  }
  const UniqueHandle process(started.hProcess);
  const UniqueHandle thread(started.hThread);
  out_write.Reset();  // the child holds its own copies: reading ends when it does
  err_write.Reset();
  if (::WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.Get(), 1);
    ADD_FAILURE() << "orvactl.exe did not end";
  }
  ::GetExitCodeProcess(process.Get(), &finished.exit_code);
  if (out_read) finished.out = ReadAll(out_read.Get());
  finished.err = ReadAll(err_read.Get());
  return finished;
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
