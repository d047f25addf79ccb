// The system services as an Appl object sees them: everything goes to the platform's own, and a
// message box's text also to the flight recorder and to the object's trace when there is one.
#pragma once

#include <memory>

#include "environment/trace_log.h"
#include "link/call_recorder.h"
#include "platform/system_services.h"

namespace orvabridge::link {

class TracedSystem final : public platform::SystemServices {
 public:
  TracedSystem(platform::SystemServices& system,
               const std::unique_ptr<environment::TraceLog>& trace, CallRecorder& recorder)
      : system_(system), trace_(trace), recorder_(recorder) {}

  std::string ComputerName() override { return system_.ComputerName(); }
  std::optional<std::string> Environment(std::string_view name) override {
    return system_.Environment(name);
  }
  uint32_t StartProcess(std::string_view command_line, int show_command) override {
    return system_.StartProcess(command_line, show_command);
  }
  int ShowMessageBox(const platform::MessageBoxRequest& request) override;
  void SetMessageBoxHandler(platform::MessageBoxHandler handler) override {
    system_.SetMessageBoxHandler(std::move(handler));
  }
  bool IsDate(std::string_view text) override { return system_.IsDate(text); }
  std::chrono::nanoseconds ThreadCpuTime() override { return system_.ThreadCpuTime(); }
  platform::LocalTime LocalNow() override { return system_.LocalNow(); }
  uint32_t ProcessId() override { return system_.ProcessId(); }
  std::optional<std::string> LocalAppDataFolder() override { return system_.LocalAppDataFolder(); }
  std::string ExecutableName() override { return system_.ExecutableName(); }

 private:
  platform::SystemServices& system_;
  const std::unique_ptr<environment::TraceLog>& trace_;
  CallRecorder& recorder_;
};

}  // namespace orvabridge::link
