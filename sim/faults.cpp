#include "sim/faults.h"

#include "channel/records.h"

namespace orvabridge::sim {

ReplyPlan PlanReply(const FaultSwitches& faults, uint32_t request_code,
                    std::optional<Reply> reply) {
  ReplyPlan plan;
  const bool applies = !faults.only_for_command || *faults.only_for_command == request_code;
  if (!applies) {
    plan.reply = std::move(reply);
    return plan;
  }
  plan.busy = faults.busy;
  if (faults.destroy_control_window_on_request) {
    plan.destroy_control_window = true;
    return plan;
  }
  const bool ignored =
      faults.no_reply || (faults.ignore_attach && request_code == channel::command::kAttach);
  if (ignored || !reply) return plan;
  if (faults.reply_code) reply->code = *faults.reply_code;
  // resize() keeps what exists and zero-fills the rest.
  if (faults.reply_size) reply->bytes.resize(*faults.reply_size);
  plan.delay = faults.reply_delay;
  // A delayed answer cannot be given inside the send without blocking the sender.
  plan.from_pump = faults.timing == ReplyTiming::kFromPump || faults.reply_delay.count() > 0;
  plan.copies = faults.duplicate_reply ? 2 : 1;
  plan.reply = std::move(reply);
  return plan;
}

}  // namespace orvabridge::sim
