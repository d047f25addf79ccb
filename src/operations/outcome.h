// Result codes of an exchange that waits for one reply code.
#pragma once

#include <optional>

#include "channel/exchange.h"
#include "orvabridge/types.h"

namespace orvabridge::operations {

// Patient, navigation and selected-image requests: window gone -4, time-out -6, another reply
// code -7; nullopt when the expected reply arrived.
inline std::optional<int32_t> MapReadOutcome(const channel::ExchangeResult& reply,
                                             uint32_t expected) {
  switch (reply.outcome) {
    case channel::Outcome::kWindowGone:
      return result::kNoTargetWindow;
    case channel::Outcome::kTimeout:
      return result::kTimeout;
    case channel::Outcome::kReply:
      break;
  }
  if (reply.reply_code != expected) return result::kUnexpectedReply;
  return std::nullopt;
}

// Session, login and generic requests: window gone -4, time-out `timeout_result` (-7, or -5 for
// the logout), another reply code 0; nullopt when the expected reply arrived.
inline std::optional<int32_t> MapUserOutcome(const channel::ExchangeResult& reply,
                                             uint32_t expected,
                                             int32_t timeout_result = result::kUnexpectedReply) {
  switch (reply.outcome) {
    case channel::Outcome::kWindowGone:
      return result::kNoTargetWindow;
    case channel::Outcome::kTimeout:
      return timeout_result;
    case channel::Outcome::kReply:
      break;
  }
  if (reply.reply_code != expected) return result::kNothingFound;
  return std::nullopt;
}

}  // namespace orvabridge::operations
