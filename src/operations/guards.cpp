#include "operations/guards.h"

#include <stdexcept>

#include "link/appl_core.h"
#include "operations/session.h"
#include "orvabridge/types.h"

namespace orvabridge::operations {

std::optional<int32_t> CheckGuards(link::ApplCore& core, const api::Member& member,
                                   const std::string* required) {
  const auto failed = [&core](const char* step, int32_t code) {
    core.TraceGuard(std::string(step) + " gives " + std::to_string(code));
    return code;
  };
  // A member with no such column calling here, or one whose required input is not handed over,
  // is a fault of this library, not of the caller.
  if (member.guards != api::Guards::kAll && member.guards != api::Guards::kAllButSession) {
    throw std::logic_error(std::string(member.name) + " runs no guard sequence");
  }
  if (member.required.empty() != (required == nullptr)) {
    throw std::logic_error(std::string(member.name) + ": required input not as its row says");
  }
  if (!core.EnsureTarget()) return failed("no control window", result::kNoTargetWindow);
  if (!core.TargetStillWindow()) {
    return failed("the control window is gone", result::kNoTargetWindow);
  }
  // The session query checks the window again a moment after this sequence did: it is handed
  // the window just confirmed, and asks the window manager only for another one.
  if (member.guards == api::Guards::kAll && !SessionCheck(core, core.thread().target_window)) {
    return failed("nobody is logged in", result::kNotLoggedIn);
  }
  if (required != nullptr && required->empty()) {
    return failed("the required argument is empty", result::kEmptyArgument);
  }
  if (auto code = core.LinkChecks()) return failed("the link is not ready", *code);
  core.TraceGuard("passed");
  return std::nullopt;
}

}  // namespace orvabridge::operations
