// Check 10: the flight recorder's incident files of the last seven days, each with the member, its
// result and the request that ended it, read from the files' first lines. Only reads the folder.
#include <algorithm>

#include "doctor_checks.h"
#include "environment/flight_recorder.h"
#include "environment/incident_files.h"

namespace orvabridge::orvactl {

CheckLine CheckIncidents(DoctorContext& context) {
  platform::SystemServices& system = context.machine->System();
  platform::FileSystem& files = context.machine->Files();
  const environment::RecorderSettings settings =
      environment::ReadRecorderSettings(context.machine->Reg(), system);
  const std::string folder = environment::IncidentFolder(system);
  const std::string switched =
      settings.incident_files
          ? "incident files on (from the " + settings.incident_files_from + ")"
          : "incident files off (" + std::string(environment::kFlightRecorderVariable) +
                " and HKLM\\" + environment::kPackageKey + " \"" +
                environment::kFlightRecorderValue + "\" " +
                (settings.incident_files_from == "not set" ? "not set" : "say off") + ")";

  Findings findings;
  findings.Detail(switched);
  findings.Detail("folder " +
                  (folder.empty() ? std::string("(no local app data folder)") : folder));
  std::vector<std::string> recent;  // names of the last seven days, newest first
  const platform::LocalTime now = system.LocalNow();
  const int64_t today = environment::DayNumber(now.year, now.month, now.day);
  if (!folder.empty() && files.FolderExists(folder)) {
    try {
      for (std::string& name : files.FilesInFolder(folder)) {
        const auto day = environment::IncidentDay(name);
        if (day && today - *day < 7) recent.push_back(std::move(name));
      }
    } catch (const std::exception& failure) {
      findings.Add(CheckStatus::kWarn, "the incident folder " + folder + " cannot be read",
                   "give this user read access to " + folder);
    }
  }
  std::sort(recent.rbegin(), recent.rend());
  std::string latest;
  for (const std::string& name : recent) {
    std::optional<environment::IncidentSummary> summary;
    try {
      summary = environment::ReadIncidentSummary(files.ReadWholeFile(folder + "\\" + name));
    } catch (const std::exception&) {
    }
    if (!summary) continue;
    const std::string line =
        summary->time + " " + summary->member + " = " + summary->result + "; " + summary->request;
    if (latest.empty()) latest = line;
    findings.Detail("incident " + name + ": " + line);
  }
  if (!recent.empty()) {
    findings.Add(CheckStatus::kWarn,
                 std::to_string(recent.size()) + " incident(s) in the last 7 days" +
                     (latest.empty() ? "" : ", the latest: " + latest),
                 "run \"orvactl support-bundle FILE.zip\" and send the file with the support "
                 "ticket (the incidents are in " +
                     folder + ")");
  }
  return std::move(findings).Line("incidents", "no incidents in the last 7 days; " + switched);
}

}  // namespace orvabridge::orvactl
