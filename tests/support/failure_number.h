// The number of the run-time failure that an action throws, for tests of the failures that
// platform errors become; 0 when it throws none.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/runtime_failure.h"

namespace orvabridge::testing {

inline int32_t FailureNumber(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeFailure& failure) {
    return failure.number();
  }
  return 0;
}

}  // namespace orvabridge::testing
