// Where orvactl's calls go. In native builds that is the in-process desktop with a simulated
// imaging application that orvactl installs and seeds itself; in Windows builds it is the real
// machine with whatever imaging application runs there.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/machine_survey.h"
#include "platform/platform.h"

namespace orvabridge::orvactl {

class Workbench {
 public:
  virtual ~Workbench() = default;

  virtual std::shared_ptr<platform::Platform> Platform() = 0;
  // What `doctor` asks about the machine beyond what the library uses.
  virtual platform::MachineSurvey& Survey() = 0;
  // A paragraph for --help: what the calls reach.
  virtual std::string Description() const = 0;
  // Whether this is the native build's in-process desktop (a simulation) rather than Windows.
  virtual bool Simulated() const = 0;
  // Before a one-shot command: make sure an imaging application runs, so that attaching needs
  // no launch. `logged_in`: whether the demo user starts logged in.
  virtual void StartApplication(bool logged_in) = 0;
  // After InitApplication may have launched the application: give it the demo data.
  virtual void SeedLaunchedApplication(bool logged_in) = 0;
  // Logs `login` in from the imaging application's own side; false where orvactl cannot.
  virtual bool LogInFromApplication(const std::string& login) = 0;
  // The file behind a Windows path, for reading what the library wrote.
  virtual std::filesystem::path HostPath(std::string_view windows_path) = 0;
};

// The workbench of this build.
std::unique_ptr<Workbench> MakeWorkbench();

}  // namespace orvabridge::orvactl
