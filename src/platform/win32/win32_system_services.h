// Computer name, environment, program start and message boxes on Win32. The message-box redirect
// is process-wide: a host (or a test run without a desktop) sets it once for every thread.
#pragma once

#include "platform/system_services.h"

namespace orvabridge::platform::win32 {

class Win32SystemServices final : public SystemServices {
 public:
  std::string ComputerName() override;
  std::optional<std::string> Environment(std::string_view name) override;
  uint32_t StartProcess(std::string_view command_line, int show_command) override;
  int ShowMessageBox(const MessageBoxRequest& request) override;
  void SetMessageBoxHandler(MessageBoxHandler handler) override;
  // The system's variant date parser in the user's locale.
  bool IsDate(std::string_view text) override;
  std::chrono::nanoseconds ThreadCpuTime() override;
  LocalTime LocalNow() override;
  uint32_t ProcessId() override;
  std::string ExecutableName() override;
};

}  // namespace orvabridge::platform::win32
