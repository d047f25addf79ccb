#include "link/call_trace.h"

#include <cstdio>

#include "environment/trace_log.h"

namespace orvabridge::link {

std::string TraceValue(const std::string& text) { return "\"" + text + "\""; }
std::string TraceValue(int32_t number) { return std::to_string(number); }
std::string TraceValue(int16_t number) { return std::to_string(number); }
std::string TraceValue(bool value) { return value ? "True" : "False"; }
std::string TraceValue(double number) {
  char text[40];
  std::snprintf(text, sizeof text, "%.10g", number);
  return text;
}

std::string TraceArguments(const api::Member& member, const std::vector<std::string>& values) {
  std::string joined;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) joined += ", ";
    const bool named = i < member.parameters.size();
    joined += named ? std::string(member.parameters[i].name) : "#" + std::to_string(i + 1);
    joined += '=';
    joined += named && member.parameters[i].secret ? "***" : values[i];
  }
  return joined;
}

size_t LostToCodePage(platform::CodePage& code_page, const std::string& text) {
  return platform::FindLostCharacters(code_page, text).count;
}

CallTrace::CallTrace(environment::TraceLog& trace, const api::Member& member) noexcept
    : trace_(trace), member_(member) {
  trace_.Begin();
}

CallTrace::~CallTrace() { trace_.End(); }

void CallTrace::Called(const std::vector<std::string>& arguments) {
  trace_.Line("call " + std::string(member_.name) + "(" + TraceArguments(member_, arguments) + ")");
}

void CallTrace::LostCharacters(platform::CodePage& code_page,
                               const std::vector<size_t>& lost_per_argument) {
  for (size_t i = 0; i < lost_per_argument.size() && i < member_.parameters.size(); ++i) {
    const api::Parameter& parameter = member_.parameters[i];
    const size_t lost = lost_per_argument[i];
    if (lost == 0 || !parameter.TakesValue()) continue;
    trace_.Line("text " + std::string(parameter.name) + ": " + std::to_string(lost) +
                (lost == 1 ? " character" : " characters") + " the ANSI code page " +
                code_page.Name() + " cannot hold arrived replaced");
  }
}

void CallTrace::Returned(const std::string& result, const std::vector<std::string>& arguments) {
  std::string line = "return " + std::string(member_.name);
  if (!result.empty()) line += " = " + result;
  if (!arguments.empty()) line += " (" + TraceArguments(member_, arguments) + ")";
  trace_.Line(line);
}

void CallTrace::Raised(const AutomationError& error) {
  trace_.Line("error " + std::string(member_.name) + ": " + std::to_string(error.number()) + " " +
              error.source() + ": " + error.description());
}

void CallTrace::Escaped() {
  trace_.Line("error " + std::string(member_.name) + ": ended by an unexpected exception");
}

}  // namespace orvabridge::link
