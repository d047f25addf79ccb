// The flight recorder: the last events of every Appl object of the process, always kept in memory,
// so that support learns what happened before a fault without asking the practice to switch a
// trace on and wait for the fault again. The events are small and fixed: a member call with a
// summary of its arguments, its result or error and how long it took, each guard step, each
// request and how it ended, each message box. A text argument is kept as its length only (and a
// number that identifies something counts as a text), so that no patient data is kept unless the
// practice switched values on (`FlightRecorderValues`); secret parameters never are.
//
// The ring is one per process and safe for several threads: each thread records its own objects'
// events. It costs a lock and a copy of one event; nothing is formatted on the way.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/system_services.h"

namespace orvabridge::environment {

// The settings: a REG_DWORD below the package's own key (in the registry view of the process's
// bitness) and an environment variable that wins over it ("1" on, anything else off).
inline constexpr const char* kPackageKey = "Software\\Orvabridge";
inline constexpr const char* kFlightRecorderValue = "FlightRecorder";
inline constexpr const char* kFlightRecorderVariable = "ORVABRIDGE_FLIGHT_RECORDER";
inline constexpr const char* kRecorderValuesValue = "FlightRecorderValues";
inline constexpr const char* kRecorderValuesVariable = "ORVABRIDGE_FLIGHT_RECORDER_VALUES";

struct RecorderSettings {
  bool incident_files = false;  // write an incident file when a call fails the way support cares
  bool values = false;          // keep argument values (never secrets) instead of their lengths
  // Where each came from, for the incident file: "environment", "registry" or "not set".
  std::string incident_files_from = "not set";
  std::string values_from = "not set";
};

RecorderSettings ReadRecorderSettings(platform::Registry& registry,
                                      platform::SystemServices& system);

enum class EventKind : uint8_t { kCall, kReturn, kRaised, kGuard, kRequest, kMessageBox };

// One argument as the recorder keeps it.
struct ArgumentSummary {
  enum class Kind : uint8_t { kOmitted, kText, kNumber, kSecret };
  Kind kind = Kind::kOmitted;
  // kText: its length in characters; kNumber: the number; kSecret: 1 when given, 0 when empty.
  int32_t value = 0;
};

// What one request did, as numbers (the link layer names them when it writes them out).
struct RequestFacts {
  uint32_t code = 0;
  uint32_t bytes_sent = 0;
  bool awaits_reply = false;
  uint8_t send_status = 0;  // platform::SendStatus
  uint8_t outcome = 0;      // channel::Outcome
  uint32_t reply_code = 0;
  uint32_t reply_bytes = 0;
};

struct FlightEvent {
  static constexpr size_t kMaxArguments = 8;
  static constexpr size_t kTextSize = 160;

  uint64_t sequence = 0;  // set by the ring: the order of all events of the process
  std::chrono::steady_clock::time_point at;
  uint32_t thread = 0;
  uint32_t object = 0;  // which Appl object of the process, numbered from 1
  EventKind kind = EventKind::kCall;
  std::string_view member;  // a member's name from the member table (static text)
  int32_t number = 0;       // kReturn: the result; kRaised: the error number
  bool has_number = false;  // kReturn: the member returns a number
  uint32_t micros = 0;      // kReturn, kRaised, kRequest: how long it took
  RequestFacts request;
  uint8_t argument_count = 0;
  std::array<ArgumentSummary, kMaxArguments> arguments{};
  // kGuard: the step; kRaised: source and description; kMessageBox: the box's text; kCall with
  // values switched on: the arguments. Cut at the size, always terminated.
  std::array<char, kTextSize> text{};

  void SetText(std::string_view value);
  std::string_view Text() const;
};

class FlightRecorder {
 public:
  static constexpr size_t kCapacity = 256;

  // The process's recorder.
  static FlightRecorder& Process();

  // Copies the event into the ring, over the oldest when it is full. Does nothing while recording
  // is switched off.
  void Record(FlightEvent event);
  // The events kept, oldest first.
  std::vector<FlightEvent> Snapshot() const;
  void Clear();

  // Recording is on unless switched off; only the figures tool switches it off, to show what it
  // costs.
  void SetEnabled(bool enabled) { enabled_.store(enabled, std::memory_order_relaxed); }
  bool enabled() const { return enabled_.load(std::memory_order_relaxed); }

 private:
  mutable std::mutex mutex_;
  std::array<FlightEvent, kCapacity> ring_{};
  uint64_t next_sequence_ = 1;
  std::atomic<bool> enabled_{true};
};

// A text's length in characters (UTF-8 code points).
int32_t CharacterCount(std::string_view text);

}  // namespace orvabridge::environment
