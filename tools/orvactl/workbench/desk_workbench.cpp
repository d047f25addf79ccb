#include "desk_workbench.h"

#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <system_error>

#include "demo_data.h"
#include "environment/trace_log.h"
#include "platform/desk/desk_survey.h"
#include "sim/desk_install.h"

namespace orvabridge::orvactl {
namespace {

constexpr const char* kClassLibraryKey = "Software\\Orvaclass";
constexpr const char* kClassLibraryKey32 = "Software\\WOW6432Node\\Orvaclass";

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

// The trace a user asks for with ORVABRIDGE_TRACE is written where that user looks: the path is
// this machine's, relative to its current folder. The desktop reaches the file's folder as its
// drive T:, and the library reads the variable from the desktop's environment.
void PassTraceThrough(platform::desk::Desktop& desktop) {
  const char* asked = std::getenv(environment::kTraceVariable);
  if (asked == nullptr) return;
  if (*asked == '\0') {
    desktop.SetEnvironment(environment::kTraceVariable, "");  // set and empty: off
    return;
  }
  std::error_code ec;
  const std::filesystem::path file = std::filesystem::absolute(asked, ec);
  desktop.MapDrive('T', file.parent_path());
  desktop.SetEnvironment(environment::kTraceVariable, "T:\\" + file.filename().string());
}

class DeskWorkbench final : public Workbench {
 public:
  explicit DeskWorkbench(std::shared_ptr<platform::desk::Desktop> desktop)
      : desktop_(std::move(desktop)), survey_(desktop_) {
    // As an installer of the class library does on a 64-bit Windows: the key in both registry
    // views, for 32- and 64-bit hosts alike.
    for (const char* key : {kClassLibraryKey, kClassLibraryKey32}) {
      InstallClassLibrary(key);
    }
    InstallProgramFile();
    sim::InstallOnDesktop(desktop_, kDeskExecutable, sim::SimOptions{});
  }

  ~DeskWorkbench() override { sim::ShutdownInstalledSimulators(); }

  std::shared_ptr<platform::Platform> Platform() override { return desktop_; }
  platform::MachineSurvey& Survey() override { return survey_; }

  bool Simulated() const override { return true; }

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
  void InstallClassLibrary(const char* key) {
    const auto hklm = platform::RegistryRoot::kLocalMachine;
    desktop_->SetRegistryString(hklm, key, "VendorKey", "Orvadent");
    desktop_->SetRegistryString(hklm, key, "ApplicationKey", "Orvanta");
    desktop_->SetRegistryString(hklm, key, "ExecutablePath", kDeskExecutable);
    desktop_->SetRegistryString(hklm, key, "Version", "3.1.1199");
    // Without a database the two look-ups report the connection failure they meet.
    if (const auto database = SimulatorDatabase()) {
      desktop_->SetRegistryString(hklm, key, "ConnectionString",
                                  "Driver={SQLite3};Database=" + database->string());
    }
  }

  // The program's file, where an installation puts it (the desktop starts the simulator in its
  // place).
  void InstallProgramFile() {
    std::error_code ec;
    const std::filesystem::path program = desktop_->HostPath(kDeskExecutable);
    std::filesystem::create_directories(program.parent_path(), ec);
    std::ofstream(program, std::ios::binary | std::ios::app);
  }

  std::shared_ptr<platform::desk::Desktop> desktop_;
  platform::desk::DeskSurvey survey_;
  std::set<const sim::Simulator*> seeded_;
};

}  // namespace

std::unique_ptr<Workbench> MakeDeskWorkbench(std::shared_ptr<platform::desk::Desktop> desktop) {
  return std::make_unique<DeskWorkbench>(std::move(desktop));
}

std::unique_ptr<Workbench> MakeWorkbench() {
  const auto desktop = platform::desk::ProcessDesktop();
  PassTraceThrough(*desktop);
  return MakeDeskWorkbench(desktop);
}

}  // namespace orvabridge::orvactl
