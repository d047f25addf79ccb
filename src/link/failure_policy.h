// The ways a member deals with a run-time failure that it does not check for, as named policies,
// and the one message box of a failure. Each member names the policy its behaviour prescribes:
//
//   RaiseMethodError     the failure becomes the method's automation error: number -100, source
//                        "Orvabridge.Appl.<method>", description source + " error " + number +
//                        CR LF + the failure's description (most request methods);
//   ShowBoxAndReturn     a message box with the failure's number and description behind a fixed
//                        prefix, then a fixed result (start-up, locating, two image methods);
//   ResultOnFailure      a fixed result, without a box (SearchImage and GetImage: -10);
//   ReturnFailureNumber  the failure's number is the result (SetWindowState);
//   AsRuntimeError       no handler: the failure reaches the caller as the run time's automation
//                        error with its own number and description, source "Orvabridge";
//   IgnoreFailure        the step is skipped and the next one runs (the destruction steps).
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "orvabridge/types.h"
#include "platform/runtime_failure.h"
#include "platform/system_services.h"

namespace orvabridge::link {

inline constexpr int32_t kHandledErrorNumber = -100;
inline constexpr const char* kRuntimeErrorSource = "Orvabridge";

// "Orvabridge.Appl." + method: the source of a method's automation error.
std::string ErrorSource(std::string_view method);

[[noreturn]] void RaiseHandled(std::string_view method, int32_t number,
                               const std::string& description,
                               std::string_view separator = " error ");

// A box with the text and an OK button, as every failure box of the library shows.
void ShowFailureBox(platform::SystemServices& system, const std::string& text,
                    std::string_view caption = {}, uint32_t style = platform::kMbOk);

// Runs `body`; a failure inside it, or an automation error raised by an inner call such as the
// session check, becomes the method's own automation error.
template <class Body>
auto RaiseMethodError(std::string_view method, Body&& body, std::string_view separator = " error ")
    -> decltype(body()) {
  try {
    return std::forward<Body>(body)();
  } catch (const RuntimeFailure& failure) {
    RaiseHandled(method, failure.number(), failure.description(), separator);
  } catch (const AutomationError& error) {
    RaiseHandled(method, error.number(), error.description(), separator);
  }
}

// The text of a failure box: prefix + number + " " + description + suffix.
struct FailureBox {
  std::string_view prefix;
  std::string suffix = {};
  std::string Text(int32_t number, const std::string& description) const {
    return std::string(prefix) + std::to_string(number) + " " + description + suffix;
  }
};

// Runs `body`; a failure inside it shows `box` and gives `result`.
template <class Result, class Body>
Result ShowBoxAndReturn(platform::SystemServices& system, const FailureBox& box, Result result,
                        Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (const RuntimeFailure& failure) {
    ShowFailureBox(system, box.Text(failure.number(), failure.description()));
  } catch (const AutomationError& error) {
    ShowFailureBox(system, box.Text(error.number(), error.description()));
  }
  return result;
}

// Runs `body`; a failure inside it gives `result`.
template <class Result, class Body>
Result ResultOnFailure(Result result, Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (const RuntimeFailure&) {
  } catch (const AutomationError&) {
  }
  return result;
}

// Runs `body`; a failure inside it gives the failure's number as the result.
template <class Body>
int32_t ReturnFailureNumber(Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (const RuntimeFailure& failure) {
    return failure.number();
  } catch (const AutomationError& error) {
    return error.number();
  }
}

// Runs `body`; a run-time failure leaves as the run time's automation error.
template <class Body>
auto AsRuntimeError(Body&& body) -> decltype(body()) {
  try {
    return std::forward<Body>(body)();
  } catch (const RuntimeFailure& failure) {
    throw AutomationError(failure.number(), kRuntimeErrorSource, failure.description());
  }
}

// Runs one step; whatever it throws is dropped and the caller goes on.
template <class Step>
void IgnoreFailure(Step&& step) noexcept {
  try {
    std::forward<Step>(step)();
  } catch (...) {
  }
}

}  // namespace orvabridge::link
