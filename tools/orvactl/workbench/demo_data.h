// The demo data orvactl's simulated imaging application starts with: the simulator's own demo
// data set (sim/demo_data.jsonc, what `orva-sim --demo-data` knows), and the facts of it that the
// guided demo relies on.
#pragma once

#include "sim/demo_seed.h"

namespace orvabridge::sim {
class Simulator;
}

namespace orvabridge::orvactl {

namespace demo_data {
inline constexpr const char* kUser = sim::demo::kUser;
inline constexpr const char* kPassword = "demo";
inline constexpr const char* kAdmin = sim::demo::kAdmin;
inline constexpr const char* kPatient = sim::demo::kOpenPatient;      // has images; open at start
inline constexpr const char* kPicture = sim::demo::kSelectedPicture;  // an image of kPatient
inline constexpr const char* kNewPatient = "2001";  // not there yet: the demo adds it
inline constexpr const char* kTextOutPatient = "2002";
inline constexpr const char* kSummary =
    "users demo/demo and admin/admin; patients 1001 to 1003; images 5001 to 5003";
}  // namespace demo_data

// Gives the simulator the demo data set and logs the demo user in when `logged_in` (nobody is
// logged in otherwise).
void SeedDemoData(sim::Simulator& simulator, bool logged_in);

}  // namespace orvabridge::orvactl
