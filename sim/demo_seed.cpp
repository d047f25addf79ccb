#include "sim/demo_seed.h"

#include <utility>

#include "sim/data_file.h"
#include "sim/simulator.h"

namespace orvabridge::sim {

SimModel DemoModel() { return ParseSimData(DemoDataText(), "the demo data set"); }

void SeedDemoData(Simulator& simulator) { simulator.SetModel(DemoModel()); }

void LogInAtStart(Simulator& simulator, const std::string& login) {
  simulator.EditModel([&](SimModel& model) {
    if (model.FindUser(login) == nullptr) {
      SimUser user;
      user.id = model.NextUserId();
      user.login = login;
      user.password = login;
      user.first_name = login;
      user.rights = rights::kDefaults;
      model.PutUser(std::move(user));
    }
    model.logged_in_login = login;
  });
}

}  // namespace orvabridge::sim
