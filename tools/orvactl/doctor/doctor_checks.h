// The single checks of `orvactl doctor` and what they hand on to each other. Each check is a
// function of the context; the order of RunDoctor is the order in which facts become known.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "doctor.h"
#include "environment/installation.h"
#include "orvabridge/appl.h"
#include "read_only_platform.h"

namespace orvabridge::orvactl {

inline constexpr const char* kClassLibraryKey = "Software\\Orvaclass";

struct DoctorContext {
  DoctorContext(std::shared_ptr<platform::Platform> machine_platform,
                platform::MachineSurvey& machine_survey, const DoctorOptions& doctor_options)
      : machine(std::move(machine_platform)),
        quiet(std::make_shared<ReadOnlyPlatform>(machine)),
        survey(machine_survey),
        options(doctor_options) {}

  std::shared_ptr<platform::Platform> machine;
  std::shared_ptr<ReadOnlyPlatform> quiet;  // what the library runs on
  platform::MachineSurvey& survey;
  DoctorOptions options;

  // Found by the checks, in their order.
  platform::RegistryView process_view = platform::RegistryView::k64Bit;
  environment::Installation installation;  // as the start-up configuration read it
  std::string workstation;
  bool text_out_on = false;
  std::unique_ptr<Appl> appl;  // made by the attach check
  bool attached = false;
  std::string application_version;
};

// A check that collects several findings: its status is the worst of them, its line names them
// all, its remedy is the one of the first among the worst.
class Findings {
 public:
  void Add(CheckStatus status, std::string finding, std::string remedy = {});
  void Detail(std::string detail) { details_.push_back(std::move(detail)); }
  // `ok_finding` stands when nothing was added.
  CheckLine Line(std::string_view topic, std::string ok_finding) &&;

 private:
  struct Item {
    CheckStatus status;
    std::string finding;
    std::string remedy;
  };
  std::vector<Item> items_;
  std::vector<std::string> details_;
};

// "Server=db;UID=sa;PWD=x" -> "Server=db;UID=sa;PWD=***": the values of password attributes
// (names beginning with "pwd" or "password", spaces and case aside) masked.
std::string MaskPasswords(const std::string& connection_string);

std::string ViewName(platform::RegistryView view);  // "64-bit view", "32-bit view"
// The views of this machine: both on a 64-bit Windows (the process's own first), else the one.
std::vector<platform::RegistryView> Views(const DoctorContext& context);
// "HKLM\Software\Orvadent\Orvanta\Orvabridge": the settings key of the installation found.
std::string SettingsKeyOf(const environment::Installation& installation);

CheckLine CheckProcess(DoctorContext& context);
CheckLine CheckClassLibrary(DoctorContext& context);
CheckLine CheckSettings(DoctorContext& context);
CheckLine CheckWindows(DoctorContext& context);
CheckLine CheckAttach(DoctorContext& context);
CheckLine CheckSession(DoctorContext& context);
CheckLine CheckComRegistration(DoctorContext& context);
CheckLine CheckDatabase(DoctorContext& context);
CheckLine CheckTrace(DoctorContext& context);
CheckLine CheckIncidents(DoctorContext& context);

}  // namespace orvabridge::orvactl
