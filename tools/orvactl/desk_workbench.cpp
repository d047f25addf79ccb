#include "desk_workbench.h"

#include <optional>
#include <set>
#include <system_error>

#include "demo_data.h"
#include "sim/desk_install.h"

namespace orvabridge::orvactl {
namespace {

constexpr const char* kClassLibraryKey = "Software\\Orvaclass";

// The simulator's SQLite database, when the source tree ships one.
std::optional<std::filesystem::path> SimulatorDatabase() {
#ifdef ORVACTL_SIM_DATA_DIR
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(ORVACTL_SIM_DATA_DIR, ec)) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".db" || extension == ".sqlite" || extension == ".sqlite3") {
      return entry.path();
    }
  }
#endif
  return std::nullopt;
}

class DeskWorkbench final : public Workbench {
 public:
  explicit DeskWorkbench(std::shared_ptr<platform::desk::Desktop> desktop)
      : desktop_(std::move(desktop)) {
    const auto hklm = platform::RegistryRoot::kLocalMachine;
    desktop_->SetRegistryString(hklm, kClassLibraryKey, "VendorKey", "Orvadent");
    desktop_->SetRegistryString(hklm, kClassLibraryKey, "ApplicationKey", "Orvanta");
    desktop_->SetRegistryString(hklm, kClassLibraryKey, "ExecutablePath", kDeskExecutable);
    desktop_->SetRegistryString(hklm, kClassLibraryKey, "Version", "3.1.1199");
    // Without a database the two look-ups report the connection failure they meet.
    if (const auto database = SimulatorDatabase()) {
      desktop_->SetRegistryString(hklm, kClassLibraryKey, "ConnectionString",
                                  "Driver={SQLite3};Database=" + database->string());
    }
    sim::InstallOnDesktop(desktop_, kDeskExecutable, sim::SimOptions{});
  }

  ~DeskWorkbench() override { sim::ShutdownInstalledSimulators(); }

  std::shared_ptr<platform::Platform> Platform() override { return desktop_; }

  std::string Description() const override {
    return std::string(
               "This build runs on the in-process desktop: there is no external imaging "
               "application. Every command runs against an in-process simulator, installed as "
               "the imaging application's executable and seeded with demo data (") +
           demo_data::kSummary +
           "). For `init` and `demo` the library launches it itself; for the other commands "
           "it is already running, with the demo user logged in unless --logged-out is given.";
  }

  void StartApplication(bool logged_in) override {
    desktop_->System().StartProcess(std::string(kDeskExecutable) + " /NOFP /NOLOGIN",
                                    platform::kSwShowMinNoActive);
    SeedLaunchedApplication(logged_in);
  }

  void SeedLaunchedApplication(bool logged_in) override {
    for (const auto& simulator : sim::InstalledSimulators()) {
      if (seeded_.insert(simulator.get()).second) SeedDemoData(*simulator, logged_in);
    }
  }

  bool LogInFromApplication(const std::string& login) override {
    const auto simulators = sim::InstalledSimulators();
    if (simulators.empty()) return false;
    simulators.back()->SetLoggedIn(login);
    return true;
  }

  std::filesystem::path HostPath(std::string_view windows_path) override {
    return desktop_->HostPath(windows_path);
  }

 private:
  std::shared_ptr<platform::desk::Desktop> desktop_;
  std::set<const sim::Simulator*> seeded_;
};

}  // namespace

std::unique_ptr<Workbench> MakeDeskWorkbench(std::shared_ptr<platform::desk::Desktop> desktop) {
  return std::make_unique<DeskWorkbench>(std::move(desktop));
}

std::unique_ptr<Workbench> MakeWorkbench() {
  return MakeDeskWorkbench(platform::desk::ProcessDesktop());
}

}  // namespace orvabridge::orvactl
