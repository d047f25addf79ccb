// The guard sequence most members run after their text-out step, in its fixed order: make sure
// there is a control window (re-attaching without a launch when there is none), check that it is
// still a window, ask whether someone is logged in, check the required argument, check the link.
// It lives with the operations that use it; what it needs from the link object it asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "interface/members.h"

namespace orvabridge::link {
class ApplCore;
}

namespace orvabridge::operations {

// Runs the steps that `member`'s guards column names (api::Guards::kAll or kAllButSession);
// `required` is the value of the input its required column names, null for a member without one.
// The result code of the first step that fails (each written to the trace), or nothing when the
// member may go on.
std::optional<int32_t> CheckGuards(link::ApplCore& core, const api::Member& member,
                                   const std::string* required = nullptr);

}  // namespace orvabridge::operations
