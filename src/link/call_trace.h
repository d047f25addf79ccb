// What a member call writes to the trace (environment/trace_log.h): the call with its arguments,
// the guard steps, the requests and the message boxes on the way (written where they happen),
// then the result with the arguments as the call left them, or the error it raised. Secret
// parameters (passwords) are written as "***". With the trace off nothing is formatted: Traced
// only asks whether there is a trace.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "interface/members.h"
#include "link/appl_core.h"
#include "link/call_recorder.h"
#include "link/call_log_line.h"
#include "link/failure_policy.h"
#include "orvabridge/types.h"
#include "platform/code_page.h"

namespace orvabridge::link {

// One value as the trace writes it: texts in quotes, numbers in decimal, booleans as the
// automation names them; a left-out optional as "(omitted)".
std::string TraceValue(const std::string& text);
std::string TraceValue(int32_t number);
std::string TraceValue(int16_t number);
std::string TraceValue(bool value);
std::string TraceValue(double number);
template <typename Enum>
requires std::is_enum_v<Enum> std::string TraceValue(Enum value) {
  return TraceValue(static_cast<int32_t>(value));
}
template <typename T>
std::string TraceValue(const T* value) {
  return value == nullptr ? "(omitted)" : TraceValue(*value);
}

// How many characters of a text argument the ANSI code page cannot hold (they arrive replaced);
// 0 for a left-out optional and for values that are no text.
size_t LostToCodePage(platform::CodePage& code_page, const std::string& text);
template <typename T>
size_t LostToCodePage(platform::CodePage& code_page, const T* value) {
  return value == nullptr ? 0 : LostToCodePage(code_page, *value);
}
template <typename T>
size_t LostToCodePage(platform::CodePage&, const T&) {
  return 0;
}

// "Name=value, ..." with the parameter names of `member`, secrets masked.
std::string TraceArguments(const api::Member& member, const std::vector<std::string>& values);

// Writes the trace lines of one member call around `body`.
class CallTrace {
 public:
  CallTrace(environment::TraceLog& trace, const api::Member& member) noexcept;
  ~CallTrace();
  CallTrace(const CallTrace&) = delete;
  CallTrace& operator=(const CallTrace&) = delete;

  void Called(const std::vector<std::string>& arguments);
  // One line for each input whose text lost characters to the code page: how many, never which.
  void LostCharacters(platform::CodePage& code_page, const std::vector<size_t>& lost_per_argument);
  void Returned(const std::string& result, const std::vector<std::string>& arguments);
  void Raised(const AutomationError& error);
  void Escaped();

 private:
  environment::TraceLog& trace_;
  const api::Member& member_;
};

// Runs the body of a member: the members that write a call-log line in text-out mode take the
// call log of their arguments, the others nothing.
template <typename Body, typename... Args>
decltype(auto) RunBody(Body& body, const api::Member& member, Args&... arguments) {
  if constexpr (std::is_invocable_v<Body&, CallLog>) {
    return body(CallLog(CallArguments<Args...>(member, arguments...)));
  } else {
    return body();
  }
}

// The trace lines of one member call around `run`; with the trace off only the question.
template <typename Run, typename... Args>
decltype(auto) TracedRun(ApplCore& core, const api::Member& member, Run& run, Args&... arguments) {
  environment::TraceLog* trace = core.trace();
  if (trace == nullptr) return run();
  const auto values = [&] { return std::vector<std::string>{TraceValue(arguments)...}; };
  CallTrace call(*trace, member);
  call.Called(values());
  platform::CodePage& code_page = core.platform().AnsiCodePage();
  call.LostCharacters(code_page, {LostToCodePage(code_page, arguments)...});
  try {
    if constexpr (std::is_void_v<decltype(run())>) {
      run();
      call.Returned({}, values());
    } else {
      auto result = run();
      call.Returned(TraceValue(result), values());
      return result;
    }
  } catch (const AutomationError& error) {
    call.Raised(error);
    throw;
  } catch (...) {
    call.Escaped();
    throw;
  }
}

// The result as the flight recorder keeps it: a number, or nothing for a text.
inline const int32_t* RecordedResult(const int32_t& result) { return &result; }
template <typename T>
const int32_t* RecordedResult(const T&) {
  return nullptr;
}

// The member's arguments, in its order, make its trace lines and its call-log line alike. Every
// call goes to the flight recorder (a summary of its arguments, its result or error, how long it
// took); its values only where the practice switched them on.
template <typename Body, typename... Args>
auto Traced(ApplCore& core, const api::Member& member, Body&& body, Args&... arguments)
    -> decltype(RunBody(body, member, arguments...)) {
  // A member whose run-time failures leave as automation errors has them converted here, inside
  // the trace and the recorder, so that both keep the error the caller gets.
  const auto run = [&]() -> decltype(auto) {
    if (member.on_failure == api::OnFailure::kRaises) {
      return AsRuntimeError(
          [&]() -> decltype(auto) { return RunBody(body, member, arguments...); });
    }
    return RunBody(body, member, arguments...);
  };
  CallRecorder& recorder = core.recorder();
  const CallRecorder::Started started =
      recorder.values() ? recorder.Begin(member, {Summarize(arguments)...},
                                         TraceArguments(member, {TraceValue(arguments)...}))
                        : recorder.Begin(member, {Summarize(arguments)...});
  try {
    if constexpr (std::is_void_v<decltype(run())>) {
      TracedRun(core, member, run, arguments...);
      recorder.Returned(started, member, nullptr);
    } else {
      auto result = TracedRun(core, member, run, arguments...);
      recorder.Returned(started, member, RecordedResult(result));
      return result;
    }
  } catch (const AutomationError& error) {
    recorder.Raised(started, member, error);
    throw;
  } catch (...) {
    recorder.Escaped(started, member);
    throw;
  }
}

}  // namespace orvabridge::link
