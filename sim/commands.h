// The imaging application's side of the command table: one request in, the model changed, and
// the answer (if the command has one) out. No windows and no threads here; the Simulator hands
// each request to ProcessCommand on its own thread while holding the model's lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "channel/codec.h"
#include "sim/model.h"

namespace orvabridge::sim {

struct Reply {
  uint32_t code = 0;
  std::vector<std::byte> bytes;
};

// `record` is the request as a full record of its code (see AsFullRecord). Unknown codes and
// commands without an answer give nullopt.
std::optional<Reply> ProcessCommand(const channel::FieldCodec& codec, SimModel& model,
                                    uint32_t code, std::span<const std::byte> record);

}  // namespace orvabridge::sim
