// Switches that make the simulated application misbehave, and the one place that decides what
// they do to an answer.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "sim/commands.h"

namespace orvabridge::sim {

enum class ReplyTiming {
  kInsideSend,  // answer while still handling the request: the sender is still blocked in its send
  kFromPump,    // answer later, from the simulator's own message loop
};

// Every switch applies to all requests and to the answer to the attach broadcast (which counts
// as code 1002 for `only_for_command`), unless `only_for_command` names another code.
struct FaultSwitches {
  bool no_reply = false;                     // answer nothing
  std::chrono::milliseconds reply_delay{0};  // answer from the loop this long after the request
  std::optional<uint32_t> reply_code{};      // answer with this code instead of the right one
  std::optional<size_t> reply_size{};        // answer with this many bytes: cut or zero-padded
  // The control window dies after receiving the request, before answering; nothing is answered.
  bool destroy_control_window_on_request = false;
  bool ignore_attach = false;  // do not answer the registered attach message
  // Work on the request this long before answering, without looking at any message: an
  // application busy inside a request (after five seconds the system reports it as hung).
  std::chrono::milliseconds busy{0};
  bool duplicate_reply = false;  // answer twice
  ReplyTiming timing = ReplyTiming::kInsideSend;
  std::optional<uint32_t> only_for_command{};  // nullopt: every code
};

// What happens to one answer once the switches have had their say.
struct ReplyPlan {
  bool destroy_control_window = false;
  std::optional<Reply> reply;  // nullopt: nothing is sent
  bool from_pump = false;
  std::chrono::milliseconds delay{0};
  std::chrono::milliseconds busy{0};  // before anything else, inside the request
  int copies = 1;                     // how often the reply is sent
};

// `request_code` is the request's code (1002 for the attach broadcast); `reply` the right answer,
// nullopt for a request that has none (the switches never invent an answer).
ReplyPlan PlanReply(const FaultSwitches& faults, uint32_t request_code, std::optional<Reply> reply);

}  // namespace orvabridge::sim
