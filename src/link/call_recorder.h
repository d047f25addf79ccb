// What one Appl object gives the process's flight recorder (environment/flight_recorder.h), and
// the incident file it writes when a member call ends the way support needs to see: a time-out
// (-6), an unexpected reply (-7), the control window gone while attached (-4 after an attach), an
// automation error, a message box, or a request not sent to a hung application. The decision is
// made when the outermost member call ends; writing is only done where the practice switched
// incident files on, and never changes what the call returns.
#pragma once

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

#include "channel/exchange.h"
#include "environment/flight_recorder.h"
#include "interface/members.h"
#include "orvabridge/types.h"
#include "platform/system_services.h"

namespace orvabridge::link {

class ApplCore;

// "request 1003, 584 bytes: reply 1003, 584 bytes, 812 us": one request as the trace and the
// incident files write it.
std::string DescribeRequest(const channel::ExchangeReport& report);

// An argument as the recorder keeps it: a text by its length, a number as it is (the recorder
// turns numbers that identify something into lengths), a left-out optional as omitted.
inline environment::ArgumentSummary Summarize(const std::string& text) {
  return {environment::ArgumentSummary::Kind::kText, environment::CharacterCount(text)};
}
template <typename T>
requires(std::is_arithmetic_v<T> || std::is_enum_v<T>) environment::ArgumentSummary
    Summarize(T number) {
  if constexpr (std::is_floating_point_v<T>) {
    // A date: its whole days, or 0 for a value no 32-bit number holds.
    const bool fits = number >= -2147483648.0 && number <= 2147483647.0;
    return {environment::ArgumentSummary::Kind::kNumber, fits ? static_cast<int32_t>(number) : 0};
  } else {
    return {environment::ArgumentSummary::Kind::kNumber, static_cast<int32_t>(number)};
  }
}
template <typename T>
environment::ArgumentSummary Summarize(const T* value) {
  return value == nullptr ? environment::ArgumentSummary{} : Summarize(*value);
}

class CallRecorder {
 public:
  // Reads the settings (environment/flight_recorder.h) once, when the object is made.
  CallRecorder(ApplCore& core, uint32_t thread);

  const environment::RecorderSettings& settings() const { return settings_; }
  bool values() const { return settings_.values; }

  // One member call. Begin returns what End needs; calls inside a call are recorded too, and
  // only the outermost one decides whether there is an incident.
  struct Started {
    std::chrono::steady_clock::time_point at;
    bool outermost = false;
  };
  Started Begin(const api::Member& member,
                std::initializer_list<environment::ArgumentSummary> arguments,
                std::string_view values = {});
  // `result` is null for a member that returns no number.
  void Returned(const Started& started, const api::Member& member, const int32_t* result);
  void Raised(const Started& started, const api::Member& member, const AutomationError& error);
  void Escaped(const Started& started, const api::Member& member);

  void Guard(std::string_view step);
  void Request(const channel::ExchangeReport& report);
  void MessageBox(const platform::MessageBoxRequest& request);

 private:
  environment::FlightEvent Event(environment::EventKind kind) const;
  void Ended(const Started& started, const api::Member& member, std::string result);
  void Incident(std::string_view member, const std::string& result);

  ApplCore& core_;
  environment::RecorderSettings settings_;
  uint32_t thread_;
  uint32_t object_;
  int depth_ = 0;
  bool attached_at_start_ = false;
  // The first reason for an incident within the outermost call; empty when there is none.
  std::string reason_;
  channel::ExchangeReport last_request_;
  bool any_request_ = false;
};

}  // namespace orvabridge::link
