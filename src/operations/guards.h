// The guard sequence most members run after their text-out step, in its fixed order: make sure
// there is a control window (re-attaching without a launch when there is none), check that it is
// still a window, ask whether someone is logged in, check the required argument, check the link.
// It lives with the operations that use it; what it needs from the link object it asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvabridge::link {
class ApplCore;
}

namespace orvabridge::operations {

// Which guard steps a member runs.
struct GuardSteps {
  bool ensure_target = true;
  bool window_check = true;
  bool session_check = true;
  const std::string* required = nullptr;  // -5 when empty
  bool link_checks = true;                // -1, -2, -3
};

// The result code of the first step that fails (each written to the trace), or nothing when the
// member may go on.
std::optional<int32_t> CheckGuards(link::ApplCore& core, const GuardSteps& steps);

}  // namespace orvabridge::operations
