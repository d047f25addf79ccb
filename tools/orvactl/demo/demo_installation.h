// The installation the demo's text-out part runs in, so that the demo never switches a live
// workstation into text-out mode, not even for a moment: the machine as it is, except that the
// class library's key names a vendor of the demo's own ("OrvactlDemo") and no executable, and
// that vendor's settings switch text-out mode on. Those two keys are held in memory and never
// written to the registry; every other key reads from the machine and refuses writes. An
// interrupted demo (Ctrl-C, a closed window) therefore leaves nothing to put back.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace orvabridge::orvactl {

inline constexpr const char* kDemoVendorKey = "OrvactlDemo";

class DemoInstallation final : public platform::Platform {
 public:
  // Takes the application key, version and connection string of the machine's class library
  // (the demo's defaults where it has none) and turns text-out mode on with `text_out_folder`.
  DemoInstallation(std::shared_ptr<platform::Platform> machine, const std::string& text_out_folder);
  ~DemoInstallation() override;

  // "Software\OrvactlDemo\<application>\Orvabridge", below HKEY_LOCAL_MACHINE.
  const std::string& SettingsKey() const { return settings_key_; }

  platform::WindowSystem& Windows() override { return machine_->Windows(); }
  platform::Registry& Reg() override { return *registry_; }
  platform::FileSystem& Files() override { return machine_->Files(); }
  platform::SystemServices& System() override { return machine_->System(); }
  platform::CodePage& AnsiCodePage() override { return machine_->AnsiCodePage(); }
  platform::Database& Databases() override { return machine_->Databases(); }

 private:
  std::shared_ptr<platform::Platform> machine_;
  std::string settings_key_;
  std::unique_ptr<platform::Registry> registry_;
};

}  // namespace orvabridge::orvactl
