// A fresh in-process desktop with the simulated imaging application running on its own thread,
// a user logged in, and an Appl on the calling thread attached to it.
#pragma once

#include <memory>

#include "orvabridge/appl.h"
#include "platform/desk/desktop.h"
#include "sim/simulator.h"

namespace orvabridge::bench {

class SimulatedDesk {
 public:
  SimulatedDesk();
  ~SimulatedDesk();
  SimulatedDesk(const SimulatedDesk&) = delete;
  SimulatedDesk& operator=(const SimulatedDesk&) = delete;

  bool attached() const { return attached_; }
  Appl& appl() { return *appl_; }
  sim::Simulator& simulator() { return *simulator_; }
  platform::desk::Desktop& desktop() { return *desktop_; }

 private:
  std::shared_ptr<platform::desk::Desktop> desktop_;
  std::unique_ptr<sim::Simulator> simulator_;
  std::unique_ptr<Appl> appl_;
  bool attached_ = false;
};

}  // namespace orvabridge::bench
