// Programs of this build (orvactl.exe, orva-relay.exe) run as a user runs them: in a process of
// their own, from the test program's folder, with standard output and error captured. A started
// program that the test does not wait for is ended with the test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "platform/win32/text_conversion.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_include.h"
#include "win32/sim_process.h"

namespace orvabridge::win32_testing {

struct Finished {
  DWORD exit_code = 0xFFFFFFFF;
  std::string out;
  std::string err;
};

// A program next to the test program.
inline std::wstring ProgramPath(const wchar_t* name) {
  return platform::win32::Utf8ToWide(ProgramFolder()) + name;
}

class ChildProgram {
 public:
  // Starts `program` with `arguments` (a wide command line, as a console passes it); with
  // `close_out` the reading end of standard output is closed before the program writes. `input`,
  // when given, is the whole of standard input (a pipe, closed after it); else there is none.
  ChildProgram(const wchar_t* program, const std::wstring& arguments, bool close_out = false,
               const std::optional<std::string>& input = std::nullopt) {
    using platform::win32::UniqueHandle;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    UniqueHandle out_write, err_write;
    constexpr DWORD kPipeSize = 1 << 20;  // every answer fits: the program never waits for us
    if (!::CreatePipe(out_read_.Receive(), out_write.Receive(), &inherit, kPipeSize) ||
        !::CreatePipe(err_read_.Receive(), err_write.Receive(), &inherit, kPipeSize)) {
      ADD_FAILURE() << "no pipes";
      return;
    }
    ::SetHandleInformation(out_read_.Get(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(err_read_.Get(), HANDLE_FLAG_INHERIT, 0);
    if (close_out) out_read_.Reset();
    UniqueHandle in_read, in_write;
    if (input) {
      if (!::CreatePipe(in_read.Receive(), in_write.Receive(), &inherit, kPipeSize)) {
        ADD_FAILURE() << "no input pipe";
        return;
      }
      ::SetHandleInformation(in_write.Get(), HANDLE_FLAG_INHERIT, 0);
      DWORD written = 0;  // the pipe holds it all: written before the program starts
      if (!::WriteFile(in_write.Get(), input->data(), static_cast<DWORD>(input->size()), &written,
                       nullptr) ||
          written != input->size()) {
        ADD_FAILURE() << "the input was not written";
        return;
      }
      in_write.Reset();  // the program reads to the end of the input
    }

    std::wstring command = L"\"" + ProgramPath(program) + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in_read.Get();
    startup.hStdOutput = out_write.Get();
    startup.hStdError = err_write.Get();
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                          nullptr, nullptr, &startup, &started)) {
      ADD_FAILURE() << "the program did not start: " << ::GetLastError();
      return;
    }
    process_.Reset(started.hProcess);
    ::CloseHandle(started.hThread);
    // The child holds its own copies of the writing ends: reading ends when it does.
  }
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;
  ~ChildProgram() {
    if (process_) ::TerminateProcess(process_.Get(), 1);
  }

  // Waits for the program to end (ending it after `limit`, stretched by the machine's time
  // scale) and collects what it wrote.
  Finished Wait(std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    Finished finished;
    if (!process_) return finished;
    const auto milliseconds = static_cast<DWORD>(Scaled(limit).count());
    if (::WaitForSingleObject(process_.Get(), milliseconds) != WAIT_OBJECT_0) {
      ::TerminateProcess(process_.Get(), 1);
      ::WaitForSingleObject(process_.Get(), 5000);
      ADD_FAILURE() << "the program did not end";
    }
    ::GetExitCodeProcess(process_.Get(), &finished.exit_code);
    process_.Reset();
    if (out_read_) finished.out = ReadAll(out_read_.Get());
    finished.err = ReadAll(err_read_.Get());
    return finished;
  }

 private:
  static std::string ReadAll(HANDLE pipe) {
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0) {
      bytes.append(buffer, read);
    }
    return bytes;
  }

  platform::win32::UniqueHandle process_;
  platform::win32::UniqueHandle out_read_, err_read_;
};

inline Finished RunProgram(const wchar_t* program, const std::wstring& arguments,
                           bool close_out = false,
                           const std::optional<std::string>& input = std::nullopt) {
  return ChildProgram(program, arguments, close_out, input).Wait();
}

}  // namespace orvabridge::win32_testing
