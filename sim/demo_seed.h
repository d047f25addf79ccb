// The demo data set: what orva-sim knows when it is started with --demo-data, and what
// --data-template writes out. Both are the one text of sim/demo_data.jsonc, built into the
// program, so the demo and the template cannot drift apart. Tests of the library seed their
// simulators with it too, or with data of their own.
#pragma once

#include <string>
#include <string_view>

#include "sim/model.h"

namespace orvabridge::sim {

class Simulator;

// Facts of the demo data set that tests and demos rely on; a test checks them against it.
namespace demo {
inline constexpr const char* kUser = "demo";         // password "demo"
inline constexpr const char* kAdmin = "admin";       // password "admin"; holds the admin right
inline constexpr const char* kOpenPatient = "1001";  // open at the start, two images
inline constexpr const char* kSecondPatient = "1002";
inline constexpr const char* kSecondFirstName = "Jonas";
inline constexpr const char* kSecondLastName = "Falk";
inline constexpr const char* kSelectedPicture = "5001";
}  // namespace demo

// The text of sim/demo_data.jsonc: a commented data file.
std::string_view DemoDataText();

// The demo data set read from that text.
SimModel DemoModel();

// Gives the simulator the demo data set in place of what it knew.
void SeedDemoData(Simulator& simulator);

// Logs `login` in; a login the model does not know becomes a plain user first (password =
// login), so that --logged-in works without demo data too.
void LogInAtStart(Simulator& simulator, const std::string& login);

}  // namespace orvabridge::sim
