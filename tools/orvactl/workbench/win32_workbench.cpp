// The Windows workbench: the real machine. orvactl installs and seeds nothing here; the calls go
// to the imaging application (or orva-sim.exe) that runs on this desktop.
#include "workbench.h"

#include "platform/win32/win32_survey.h"

namespace orvabridge::orvactl {
namespace {

class Win32Workbench final : public Workbench {
 public:
  std::shared_ptr<platform::Platform> Platform() override { return platform_; }
  platform::MachineSurvey& Survey() override { return survey_; }

  std::string Description() const override {
    return "This build talks to the imaging application running on this Windows desktop (or to "
           "orva-sim.exe). `init` and `demo` may launch the installed application; the other "
           "commands only attach to a running one. Nothing is seeded: the data are the "
           "application's own.";
  }

  bool Simulated() const override { return false; }
  void StartApplication(bool) override {}
  void SeedLaunchedApplication(bool) override {}
  bool LogInFromApplication(const std::string&) override { return false; }

  std::filesystem::path HostPath(std::string_view windows_path) override {
    // The library's texts are UTF-8; a narrow path would be read in the ANSI code page.
    const std::u8string utf8(windows_path.begin(), windows_path.end());
    return std::filesystem::path(utf8);
  }

 private:
  std::shared_ptr<platform::Platform> platform_ = platform::DefaultPlatform();
  platform::win32::Win32Survey survey_;
};

}  // namespace

std::unique_ptr<Workbench> MakeWorkbench() { return std::make_unique<Win32Workbench>(); }

}  // namespace orvabridge::orvactl
