// How many calls the calling thread has made into the system's window manager through the
// Win32 platform layer: the figures tool compares it with what a hand-written client makes.
// Only a build configured with ORVABRIDGE_COUNT_SYSTEM_CALLS counts; in any other build the count
// compiles to nothing and always reads 0.
#pragma once

#include <cstdint>

namespace orvabridge::platform {

#ifdef ORVABRIDGE_COUNT_SYSTEM_CALLS
inline constexpr bool kCountingSystemCalls = true;
// A plain integer per thread: nothing to destroy when a thread ends.
inline thread_local uint64_t system_calls_of_this_thread = 0;
inline void CountSystemCall() { ++system_calls_of_this_thread; }
inline uint64_t SystemCallsOfThisThread() { return system_calls_of_this_thread; }
#else
inline constexpr bool kCountingSystemCalls = false;
inline void CountSystemCall() {}
inline uint64_t SystemCallsOfThisThread() { return 0; }
#endif

}  // namespace orvabridge::platform
