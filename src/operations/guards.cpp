#include "operations/guards.h"

#include "link/appl_core.h"
#include "operations/session.h"
#include "orvabridge/types.h"

namespace orvabridge::operations {

std::optional<int32_t> CheckGuards(link::ApplCore& core, const GuardSteps& steps) {
  const auto failed = [&core](const char* step, int32_t code) {
    core.TraceGuard(std::string(step) + " gives " + std::to_string(code));
    return code;
  };
  if (steps.ensure_target && !core.EnsureTarget()) {
    return failed("no control window", result::kNoTargetWindow);
  }
  if (steps.window_check && !core.TargetStillWindow()) {
    return failed("the control window is gone", result::kNoTargetWindow);
  }
  // The session query checks the window again a moment after this sequence did: it is handed
  // the window just confirmed, and asks the window manager only for another one.
  if (steps.session_check) {
    const platform::WindowHandle confirmed =
        steps.window_check ? core.thread().target_window : platform::WindowHandle();
    if (!SessionCheck(core, confirmed)) return failed("nobody is logged in", result::kNotLoggedIn);
  }
  if (steps.required != nullptr && steps.required->empty()) {
    return failed("the required argument is empty", result::kEmptyArgument);
  }
  if (steps.link_checks) {
    if (auto code = core.LinkChecks()) return failed("the link is not ready", *code);
  }
  core.TraceGuard("passed");
  return std::nullopt;
}

}  // namespace orvabridge::operations
