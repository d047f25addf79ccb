// CPU time used by the calling thread, to tell a blocking wait from a busy one.
#pragma once

#include <time.h>

#include <chrono>

namespace orvabridge::bench {

inline std::chrono::nanoseconds ThreadCpuTime() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

}  // namespace orvabridge::bench
