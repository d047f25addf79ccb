#include "link/failures.h"

namespace orvabridge::link {

std::string ErrorSource(std::string_view method) {
  return "Orvabridge.Appl." + std::string(method);
}

void RaiseHandled(std::string_view method, int32_t number, const std::string& description,
                  std::string_view separator) {
  const std::string source = ErrorSource(method);
  throw AutomationError(kHandledErrorNumber, source,
                        source + std::string(separator) + std::to_string(number) + "\r\n" +
                            description);
}

}  // namespace orvabridge::link
