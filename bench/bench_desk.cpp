#include "appl/appl_access.h"
#include "bench_desk.h"

#include <string>

#include "link/thread_state.h"

namespace orvabridge::bench {

SimulatedDesk::SimulatedDesk() : desktop_(platform::desk::Desktop::Create()) {
  // The thread's shared link state may still name a window of an earlier benchmark's desktop.
  link::ResetThisThread();
  const auto hklm = platform::RegistryRoot::kLocalMachine;
  desktop_->SetRegistryString(hklm, "Software\\Orvaclass", "VendorKey", "Orvadent");
  desktop_->SetRegistryString(hklm, "Software\\Orvaclass", "ApplicationKey", "Orvanta");
  desktop_->SetRegistryString(hklm, "Software\\Orvaclass", "Version", "3.1.1199");

  simulator_ = std::make_unique<sim::Simulator>(desktop_);
  simulator_->Start();
  sim::SimUser user;
  user.id = 7;
  user.login = "bench";
  user.password = "bench";
  user.first_name = "Bea";
  user.last_name = "Bench";
  simulator_->AddUser(user);
  simulator_->SetLoggedIn(user.login);
  sim::SimPatient patient;
  patient.id = "1001";
  patient.first_name = "Anna";
  patient.last_name = "Berg";
  simulator_->AddPatient(patient);

  appl_ = ApplAccess::Make(desktop_);
  std::string name;
  std::string version = "NoLaunch";  // it runs already: look once, never launch
  attached_ = appl_->InitApplication(name, version) == result::kSuccess;
}

SimulatedDesk::~SimulatedDesk() {
  appl_.reset();
  simulator_->Stop();
  link::ResetThisThread();
}

}  // namespace orvabridge::bench
