#include "support/link_fixture.h"

#include "support/test_platform.h"

namespace orvabridge::testing {

void InstallClassLibrary(platform::Platform& platform, const Installation& installation) {
  const auto root = platform::RegistryRoot::kLocalMachine;
  const std::string key = "Software\\Orvaclass";
  WriteRegistryString(platform, root, key, "VendorKey", installation.vendor_key);
  WriteRegistryString(platform, root, key, "ApplicationKey", installation.application_key);
  WriteRegistryString(platform, root, key, "ExecutablePath", installation.executable_path);
  WriteRegistryString(platform, root, key, "Version", installation.version);
}

void LinkTest::SetUp() {
  link::ResetThisThread();
  platform_ = MakeTestPlatform();
  platform_->System().SetMessageBoxHandler([this](const platform::MessageBoxRequest& request) {
    boxes_.push_back(request);
    return platform::kIdOk;
  });
  InstallClassLibrary(*platform_, Installation{});
}

void LinkTest::TearDown() {
  platform_->System().SetMessageBoxHandler(nullptr);
  link::ResetThisThread();
}

std::unique_ptr<Appl> LinkTest::MakeAppl(double scale) {
  channel::Timing timing;
  timing.scale = scale;
  timing.window_check_interval = std::chrono::milliseconds(5);
  return ApplAccess::Make(platform_, timing);
}

void LinkTest::SetMachineSetting(const std::string& section, const std::string& name,
                                 const std::string& value) {
  WriteRegistryString(*platform_, platform::RegistryRoot::kLocalMachine,
                      SettingsKey() + "\\" + section, name, value);
}

}  // namespace orvabridge::testing
