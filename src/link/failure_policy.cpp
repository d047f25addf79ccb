#include "link/failure_policy.h"

namespace orvabridge::link {

std::string ErrorSource(std::string_view method) {
  return "Orvabridge.Appl." + std::string(method);
}

void RaiseHandled(std::string_view method, int32_t number, const std::string& description,
                  std::string_view separator) {
  const std::string source = ErrorSource(method);
  throw AutomationError(
      kHandledErrorNumber, source,
      source + std::string(separator) + std::to_string(number) + "\r\n" + description);
}

void ShowFailureBox(platform::SystemServices& system, const std::string& text,
                    std::string_view caption, uint32_t style) {
  system.ShowMessageBox({text, std::string(caption), style});
}

}  // namespace orvabridge::link
