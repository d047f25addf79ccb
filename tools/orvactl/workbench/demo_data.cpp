#include "demo_data.h"

#include "sim/simulator.h"

namespace orvabridge::orvactl {

void SeedDemoData(sim::Simulator& simulator, bool logged_in) {
  sim::SeedDemoData(simulator);
  if (logged_in) {
    sim::LogInAtStart(simulator, demo_data::kUser);
  } else {
    simulator.SetLoggedIn(std::nullopt);
  }
}

}  // namespace orvabridge::orvactl
