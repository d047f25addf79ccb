#include "platform/win32/dispatch_failure.h"

#include <exception>
#include <utility>

#include "platform/thread_slot.h"

namespace orvabridge::platform::win32 {
namespace {

std::exception_ptr& WaitingFailure() {
  static auto* const slot = new ThreadSlot<std::exception_ptr>();
  return slot->Get();
}

}  // namespace

void KeepDispatchFailure() noexcept {
  try {
    std::exception_ptr& waiting = WaitingFailure();
    if (!waiting) waiting = std::current_exception();
  } catch (...) {
    // No memory for the thread's slot: the failure is lost rather than thrown through the
    // system's frames.
  }
}

void RethrowDispatchFailure() {
  std::exception_ptr& waiting = WaitingFailure();
  if (waiting) std::rethrow_exception(std::exchange(waiting, nullptr));
}

}  // namespace orvabridge::platform::win32
