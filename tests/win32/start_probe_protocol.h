// What the start probe (a small program the process-start test launches) reports back: one
// copy-data message to the window named on its command line.
#pragma once

#include <cstdint>

namespace orvabridge::win32_testing {

inline constexpr char kStartProbeProgram[] = "orvabridge_start_probe.exe";
inline constexpr uint32_t kStartProbeReport = 0x5052;

struct StartProbeReport {
  int32_t iconic = 0;  // its window after showing it the way the starter asked
  int32_t visible = 0;
  int32_t foreground = 0;  // whether its window became the foreground window
  uint32_t window = 0;
};

}  // namespace orvabridge::win32_testing
