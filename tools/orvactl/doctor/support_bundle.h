// `orvactl support-bundle FILE.zip`: one file for a support ticket, so that support needs no
// second visit. It holds doctor's report as JSON, the flight recorder's incident files, the trace
// files the settings name, the versions and bitness of every installed part (both registry
// views), the settings (passwords masked) and a README saying all this. Trace files hold patient
// data, so they go in only where the practice switched values on (FlightRecorderValues); the
// incident files hold values only then anyway.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "doctor.h"

namespace orvabridge::orvactl {

struct BundleReport {
  std::vector<std::string> included;  // "incidents/x.txt (an incident file)"
  std::vector<std::string> left_out;  // "C:\Traces\t.log: ..."
};

// Writes the zip to `zip_path` (a path of the machine orvactl runs on). Throws std::runtime_error
// when the zip cannot be written.
BundleReport WriteSupportBundle(std::shared_ptr<platform::Platform> machine,
                                platform::MachineSurvey& survey, const DoctorOptions& options,
                                const std::filesystem::path& zip_path);

}  // namespace orvabridge::orvactl
