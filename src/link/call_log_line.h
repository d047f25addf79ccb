// The call-log line of a member in text-out mode: the name its line carries, then the value of
// every parameter in the member's order, each after " ; ". A member without parameters writes
// its name and one separator ("UserLogout ; "). Nothing is escaped: a value that holds " ; "
// makes its line ambiguous, which the relay of text-out files detects by the field count.
//
// The facade hands a member that writes a line the arguments of its call (CallLog), the same
// ones its trace writes, and the line is made from them when the member writes it: a member may
// change an argument first (InitApplication clears its AppName).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <tuple>

#include "interface/members.h"

namespace orvabridge::link {

// Throws std::logic_error when `count` values do not match the member's parameters in number.
void ExpectCallLogFields(const api::Member& member, size_t count);

// The line from values already written as text. Throws as ExpectCallLogFields.
std::string CallLogLine(const api::Member& member, std::initializer_list<std::string_view> values);

// One argument as its field: a text as it is, a number in decimal (a parameter marked
// logs_magnitude without its sign), a flag as 1 or 0; a left-out optional as its zero value, so
// an empty text or 0.
std::string CallLogValue(const api::Parameter& parameter, const std::string& text);
std::string CallLogValue(const api::Parameter& parameter, int32_t number);
std::string CallLogValue(const api::Parameter& parameter, int16_t number);
std::string CallLogValue(const api::Parameter& parameter, bool flag);
template <typename T>
std::string CallLogValue(const api::Parameter& parameter, const T* value) {
  return value == nullptr ? CallLogValue(parameter, T{}) : CallLogValue(parameter, *value);
}

// The line from the arguments of a call, in the member's order. Throws as ExpectCallLogFields.
template <typename... Args>
std::string CallLogLine(const api::Member& member, const Args&... arguments) {
  ExpectCallLogFields(member, sizeof...(Args));
  size_t index = 0;
  // A braced list is evaluated from left to right, so each argument meets its own parameter.
  return CallLogLine(member,
                     {std::string_view(CallLogValue(member.parameters[index++], arguments))...});
}

// The arguments of one member call, held by reference for as long as the call runs.
template <typename... Args>
class CallArguments {
 public:
  explicit CallArguments(const api::Member& member, const Args&... arguments)
      : member_(member), arguments_(arguments...) {}

  std::string Line() const {
    return std::apply([this](const Args&... values) { return CallLogLine(member_, values...); },
                      arguments_);
  }

 private:
  const api::Member& member_;
  std::tuple<const Args&...> arguments_;
};

// What a member writes its call-log line with: a view of its call's arguments, valid while the
// call runs. Like a string_view of a string, it is made from the arguments without a cast.
class CallLog {
 public:
  template <typename... Args>
  CallLog(const CallArguments<Args...>& call)
      : call_(&call), line_([](const void* arguments) {
          return static_cast<const CallArguments<Args...>*>(arguments)->Line();
        }) {}

  // The line, from the arguments as they are now.
  std::string Line() const { return line_(call_); }

 private:
  const void* call_;
  std::string (*line_)(const void*);
};

// The separator between the fields of a call-log line.
inline constexpr std::string_view kCallLogSeparator = " ; ";

}  // namespace orvabridge::link
