#include "platform/win32/dispatch_failure.h"

#include <exception>
#include <utility>

namespace orvabridge::platform::win32 {
namespace {
thread_local std::exception_ptr waiting_failure;
}

void KeepDispatchFailure() noexcept {
  if (!waiting_failure) waiting_failure = std::current_exception();
}

void RethrowDispatchFailure() {
  if (waiting_failure) std::rethrow_exception(std::exchange(waiting_failure, nullptr));
}

}  // namespace orvabridge::platform::win32
