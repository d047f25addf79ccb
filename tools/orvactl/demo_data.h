// The demo data orvactl gives the simulated imaging application: who can log in, which patients
// and images exist, and what is open on its screen.
#pragma once

namespace orvabridge::sim {
class Simulator;
}

namespace orvabridge::orvactl {

namespace demo_data {
inline constexpr const char* kUser = "demo";
inline constexpr const char* kPassword = "demo";
inline constexpr const char* kAdmin = "admin";
inline constexpr const char* kAdminPassword = "admin";
inline constexpr const char* kPatient = "1001";     // has images; open at the start
inline constexpr const char* kPicture = "5001";     // an image of kPatient; selected
inline constexpr const char* kNewPatient = "2001";  // not there yet: the demo adds it
inline constexpr const char* kTextOutPatient = "2002";
inline constexpr const char* kSummary =
    "users demo/demo and admin/admin; patients 1001 to 1003; images 5001 to 5003";
}  // namespace demo_data

// Adds the users, patients and images, opens patient 1001, selects image 5001 and its card,
// and logs the demo user in when `logged_in`.
void SeedDemoData(sim::Simulator& simulator, bool logged_in);

}  // namespace orvabridge::orvactl
