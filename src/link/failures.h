// How run-time failures leave a method: as an automation error with the method's own source, or
// as the failure itself (methods without a handler).
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "orvabridge/appl.h"
#include "platform/runtime_failure.h"

namespace orvabridge::link {

inline constexpr int32_t kHandledErrorNumber = -100;

// "Orvabridge.Appl." + method: the source of a method's automation error.
std::string ErrorSource(std::string_view method);

// The automation error of a method's handler: number -100, source "Orvabridge.Appl.<method>" and
// description source + separator + the failure's number + CR LF + the failure's description.
[[noreturn]] void RaiseHandled(std::string_view method, int32_t number,
                               const std::string& description,
                               std::string_view separator = " error ");

// Runs `body`; a failure inside it (a run-time failure or an automation error raised by an inner
// call such as the session check) becomes the method's own automation error.
template <class Body>
auto WithErrorHandler(std::string_view method, Body&& body,
                      std::string_view separator = " error ") -> decltype(body()) {
  try {
    return std::forward<Body>(body)();
  } catch (const RuntimeFailure& failure) {
    RaiseHandled(method, failure.number(), failure.description(), separator);
  } catch (const AutomationError& error) {
    RaiseHandled(method, error.number(), error.description(), separator);
  }
}

}  // namespace orvabridge::link
