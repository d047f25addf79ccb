// What orva-sim knows when it is started with --demo-data, and how --logged-in picks its user.
// Only the program uses it; the tests of the library seed their simulators themselves.
#pragma once

#include <string>

namespace orvabridge::sim {

class Simulator;

namespace demo {
inline constexpr const char* kUser = "demo";         // password "demo"
inline constexpr const char* kAdmin = "admin";       // password "admin"; holds the admin right
inline constexpr const char* kOpenPatient = "1001";  // open at the start, two images
inline constexpr const char* kSecondPatient = "1002";
inline constexpr const char* kSecondFirstName = "Jonas";
inline constexpr const char* kSecondLastName = "Falk";
inline constexpr const char* kSelectedPicture = "5001";
}  // namespace demo

// Users, three patients, three images, an open patient, a selected image and its card.
void SeedDemoData(Simulator& simulator);

// Logs `login` in; a login the model does not know becomes a plain user first (password =
// login), so that --logged-in works without --demo-data too.
void LogInAtStart(Simulator& simulator, const std::string& login);

}  // namespace orvabridge::sim
