// orva-sim.exe processes for the cross-process tests: started, found by their windows, killed and
// waited for. Every process a test starts ends with the test: SimProcess kills on destruction,
// and KillStraySimulators sweeps up any that a failed test lost track of.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/program_control.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_include.h"
#include "win32/win32_test_support.h"

namespace orvabridge::win32_testing {

inline constexpr char kSimulatorProgram[] = "orva-sim.exe";
inline constexpr char kSimulatorClass[] = "ThunderRT6MDIForm";

// The test program's own folder, with its closing backslash.
inline std::string ProgramFolder() {
  const std::string self = platform::ExecutablePath();
  return self.substr(0, self.find_last_of('\\') + 1);
}

// The orva-sim.exe the cross-process tests start: the one next to the test program (the build
// copies it there), or the one ORVA_TEST_SIMULATOR names. The 32-bit tests run against the 64-bit
// build's simulator that way where every 32-bit start is costly (an emulator): a 32-bit host
// meets a 64-bit imaging application at many practices, and the records must not care.
inline std::string SimulatorPath() {
  if (const char* other = std::getenv("ORVA_TEST_SIMULATOR"); other && *other) return other;
  return ProgramFolder() + kSimulatorProgram;
}

// The orva-sim.exe of this very build, whatever ORVA_TEST_SIMULATOR says.
inline std::string OwnSimulatorPath() { return ProgramFolder() + kSimulatorProgram; }

// The process that owns a window; 0 when there is no such window.
inline uint32_t ProcessOfWindow(platform::WindowHandle window) {
  DWORD process = 0;
  const HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(window.value));
  if (!::GetWindowThreadProcessId(hwnd, &process)) return 0;
  return process;
}

class SimProcess {
 public:
  SimProcess() = default;
  // Takes over a process that was started elsewhere (by the library, or by StartProcess), by id.
  explicit SimProcess(uint32_t process_id)
      : process_(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION,
                               FALSE, process_id)),
        id_(process_id) {}
  SimProcess(SimProcess&&) = default;
  SimProcess& operator=(SimProcess&& other) noexcept {
    if (this != &other) {
      Kill();
      process_ = std::move(other.process_);
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }
  ~SimProcess() { Kill(); }

  // Starts orva-sim.exe with `arguments` and keeps its handle from the first moment, so that even
  // a process that ends at once can be waited for and asked for its exit code.
  static SimProcess Launch(std::string_view arguments,
                           int show_command = platform::kSwShowMinNoActive,
                           const std::string& program = SimulatorPath()) {
    std::wstring command = L"\"" + platform::win32::Utf8ToWide(program) + L"\" " +
                           platform::win32::Utf8ToWide(arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show_command);
    PROCESS_INFORMATION started = {};
    SimProcess process;
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &started)) {
      process.process_.Reset(started.hProcess);
      process.id_ = started.dwProcessId;
      ::CloseHandle(started.hThread);
    }
    return process;
  }

  bool valid() const { return process_.Valid(); }
  uint32_t id() const { return id_; }

  // Waits for the process to end by itself; its exit code, or nullopt when the patience ran out.
  std::optional<uint32_t> WaitForExit() {
    if (!valid() ||
        ::WaitForSingleObject(process_.Get(), Milliseconds(Patience())) != WAIT_OBJECT_0) {
      return std::nullopt;
    }
    DWORD code = 0;
    if (!::GetExitCodeProcess(process_.Get(), &code)) return std::nullopt;
    return code;
  }

  // Kills the process and waits until it is gone with its windows; harmless when it has ended.
  void Kill() {
    if (!valid()) return;
    ::TerminateProcess(process_.Get(), 0xDEAD);
    ::WaitForSingleObject(process_.Get(), Milliseconds(Patience()));
    process_.Reset();
  }

 private:
  static DWORD Milliseconds(std::chrono::milliseconds patience) {
    return static_cast<DWORD>(patience.count());
  }

  platform::win32::UniqueHandle process_;
  uint32_t id_ = 0;
};

inline bool IsSimulatorProcess(uint32_t process_id) {
  const platform::win32::UniqueHandle process(
      ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
  if (!process) return false;
  wchar_t image[MAX_PATH * 2] = {};
  DWORD length = static_cast<DWORD>(std::size(image));
  if (!::QueryFullProcessImageNameW(process.Get(), 0, image, &length)) return false;
  const std::wstring_view name(image, length);
  const std::wstring program = platform::win32::Utf8ToWide(kSimulatorProgram);
  return name.size() >= program.size() &&
         ::lstrcmpiW(std::wstring(name.substr(name.size() - program.size())).c_str(),
                     program.c_str()) == 0;
}

// The main windows of orva-sim processes on this desktop, optionally of one process only.
inline std::vector<platform::WindowHandle> SimulatorMainWindows(platform::WindowSystem& windows,
                                                                uint32_t process_id = 0) {
  std::vector<platform::WindowHandle> found;
  const uint32_t own = ::GetCurrentProcessId();
  windows.ForEachTopLevel([&](platform::WindowHandle window) {
    const uint32_t owner = ProcessOfWindow(window);
    if (owner == own || (process_id != 0 && owner != process_id)) return;
    if (windows.ClassName(window) != kSimulatorClass || !IsSimulatorProcess(owner)) return;
    found.push_back(window);
  });
  return found;
}

// Waits until the process has made its main window; nothing tells another process that, so
// this looks now and then. An empty handle when the patience ran out.
inline platform::WindowHandle WaitForMainWindow(platform::WindowSystem& windows,
                                                uint32_t process_id) {
  const auto deadline = Clock::now() + Patience();
  for (;;) {
    const auto found = SimulatorMainWindows(windows, process_id);
    if (!found.empty()) return found.front();
    if (Clock::now() >= deadline) return {};
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Ends every orva-sim that still runs on this desktop.
inline void KillStraySimulators(platform::WindowSystem& windows) {
  for (platform::WindowHandle window : SimulatorMainWindows(windows)) {
    SimProcess(ProcessOfWindow(window)).Kill();
  }
}

// Sets an environment variable of this process, which the programs it starts inherit, and puts
// the old value back at the end of the scope.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, std::string_view value) : name_(std::move(name)) {
    const std::wstring wide_name = platform::win32::Utf8ToWide(name_);
    const DWORD needed = ::GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
    if (needed > 0) {
      std::wstring old(needed, L'\0');
      old.resize(::GetEnvironmentVariableW(wide_name.c_str(), old.data(), needed));
      old_ = std::move(old);
    }
    ::SetEnvironmentVariableW(wide_name.c_str(), platform::win32::Utf8ToWide(value).c_str());
  }
  // Takes the variable away for the scope.
  ScopedEnvironment(std::string name, std::nullopt_t) : ScopedEnvironment(std::move(name), "") {
    ::SetEnvironmentVariableW(platform::win32::Utf8ToWide(name_).c_str(), nullptr);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
  ~ScopedEnvironment() {
    const std::wstring wide_name = platform::win32::Utf8ToWide(name_);
    ::SetEnvironmentVariableW(wide_name.c_str(), old_ ? old_->c_str() : nullptr);
  }

 private:
  std::string name_;
  std::optional<std::wstring> old_;
};

}  // namespace orvabridge::win32_testing
