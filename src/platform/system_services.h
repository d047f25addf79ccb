// Machine and process services: computer name, environment, process start, message boxes.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orvabridge::platform {

inline constexpr uint32_t kMbOk = 0x00;
inline constexpr uint32_t kMbIconStop = 0x10;
inline constexpr uint32_t kMbIconInformation = 0x40;
inline constexpr int kIdOk = 1;

// A moment in local time, to the millisecond.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// "2026-12-07 18:33:38.123": how the logs of the library and its tools stamp their lines.
std::string LocalTimeText(const LocalTime& time);

struct MessageBoxRequest {
  std::string text;
  std::string caption;
  uint32_t style = kMbOk;
};
// Returns the button pressed (kIdOk for an OK-only box).
using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

class SystemServices {
 public:
  virtual ~SystemServices() = default;
  virtual std::string ComputerName() = 0;
  // nullopt when the variable is not defined.
  virtual std::optional<std::string> Environment(std::string_view name) = 0;
  // Starts a program with the given window show state. Returns its process id, 0 when the start
  // reported none; throws RuntimeFailure when the program cannot be started.
  virtual uint32_t StartProcess(std::string_view command_line, int show_command) = 0;
  // Modal message box; a host or a test may redirect it.
  virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;
  virtual void SetMessageBoxHandler(MessageBoxHandler handler) = 0;
  // Whether the system's date parser accepts `text` as a date or a time of day in the user's
  // locale. The default reads day-month-year; backends with a locale of their own override it.
  virtual bool IsDate(std::string_view text);
  // CPU time the calling thread has used so far (user and kernel), for figures of how much a
  // wait costs.
  virtual std::chrono::nanoseconds ThreadCpuTime() = 0;
  virtual LocalTime LocalNow() = 0;
  virtual uint32_t ProcessId() = 0;
  // The folder where this user's programs keep data of this machine (%LOCALAPPDATA%); nullopt
  // when there is none. The default reads the environment.
  virtual std::optional<std::string> LocalAppDataFolder();
  // The file name of the program this process runs ("host.exe"); empty when unknown.
  virtual std::string ExecutableName() { return {}; }
};

}  // namespace orvabridge::platform
