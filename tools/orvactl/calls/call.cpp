#include "call.h"

#include <exception>

#include "bindings.h"
#include "result_codes.h"

namespace orvabridge::orvactl {

bool CallOutcome::Succeeded() const {
  if (failure) return false;
  const std::optional<int32_t> code = ResultCode();
  return !code || IsSuccess(*command, *code);
}

std::optional<int32_t> CallOutcome::ResultCode() const {
  if (const int32_t* code = std::get_if<int32_t>(&returned)) return *code;
  return std::nullopt;
}

CallOutcome Call(Appl& appl, const CommandEntry& command, std::map<std::string, Value> values) {
  CallOutcome outcome;
  outcome.command = &command;
  Bindings arguments(command, std::move(values));
  try {
    outcome.returned = command.invoke(appl, arguments);
    outcome.outputs = arguments.Outputs();
  } catch (const AutomationError& error) {
    outcome.failure = CallFailure{error.number(), error.source(), error.description()};
  } catch (const std::exception& error) {
    // The library turns its own failures into automation errors; anything else is ours.
    outcome.failure = CallFailure{0, "orvactl", std::string("unexpected failure: ") + error.what()};
  }
  return outcome;
}

}  // namespace orvabridge::orvactl
