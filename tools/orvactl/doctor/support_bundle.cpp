#include "support_bundle.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "doctor_checks.h"
#include "environment/flight_recorder.h"
#include "environment/incident_files.h"
#include "environment/trace_log.h"
#include "identity/identity.h"
#include "output/zip_archive.h"

namespace orvabridge::orvactl {
namespace {

using platform::RegistryRoot;
using platform::RegistryView;

constexpr const char* kClassLibrary = "Software\\Orvaclass";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::vector<RegistryView> ViewsOf(platform::MachineSurvey& survey) {
  if (survey.SystemBits() != 64) return {RegistryView::k32Bit};
  return {RegistryView::k64Bit, RegistryView::k32Bit};
}

std::string ViewLabel(RegistryView view) {
  return view == RegistryView::k64Bit ? "64-bit view" : "32-bit view";
}

std::string BitsOf(platform::MachineSurvey& survey, const std::string& path) {
  const auto machine = survey.ExecutableMachine(path);
  if (!machine) return survey.FileExists(path) ? "not a program" : "missing";
  switch (*machine) {
    case platform::kMachineX86:
      return "x86 (32-bit)";
    case platform::kMachineX64:
      return "x64 (64-bit)";
    case platform::kMachineArm64:
      return "ARM64";
  }
  return "machine " + std::to_string(*machine);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Whether a file name fits a trace setting's name, "%p" standing for any process id, with or
// without the ".1" of the older file.
bool FitsTraceName(const std::string& name, const std::string& pattern) {
  const std::string lower = Lower(name);
  for (const std::string& candidate : {Lower(pattern), Lower(pattern) + ".1"}) {
    const size_t marker = candidate.find("%p");
    if (marker == std::string::npos) {
      if (lower == candidate) return true;
      continue;
    }
    const std::string before = candidate.substr(0, marker), after = candidate.substr(marker + 2);
    if (lower.size() <= before.size() + after.size()) continue;
    if (lower.compare(0, before.size(), before) != 0) continue;
    if (lower.compare(lower.size() - after.size(), after.size(), after) != 0) continue;
    const std::string id = lower.substr(before.size(), lower.size() - before.size() - after.size());
    if (std::all_of(id.begin(), id.end(), [](unsigned char c) { return std::isdigit(c); })) {
      return true;
    }
  }
  return false;
}

class Bundle {
 public:
  Bundle(std::shared_ptr<platform::Platform> machine, platform::MachineSurvey& survey)
      : machine_(std::move(machine)), survey_(survey), now_(machine_->System().LocalNow()) {}

  void Add(const std::string& name, const std::string& content, const std::string& what) {
    zip_.AddFile(name, content, now_);
    report_.included.push_back(name + " (" + what + ")");
  }
  void LeaveOut(const std::string& what) { report_.left_out.push_back(what); }

  void AddIncidents() {
    platform::FileSystem& files = machine_->Files();
    const std::string folder = environment::IncidentFolder(machine_->System());
    if (folder.empty() || !files.FolderExists(folder)) return;
    std::vector<std::string> names;
    try {
      names = files.FilesInFolder(folder);
    } catch (const std::exception&) {
      LeaveOut(folder + ": the folder cannot be read");
      return;
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      if (!environment::IsIncidentFileName(name)) continue;
      try {
        Add("incidents/" + name, files.ReadWholeFile(folder + "\\" + name), "an incident file");
      } catch (const std::exception&) {
        LeaveOut(folder + "\\" + name + ": cannot be read");
      }
    }
  }

  // The trace files the settings name: the environment variable, else "Trace" of the settings
  // key in the process's view.
  void AddTraces(bool values_switched_on) {
    std::string path;
    if (auto variable = machine_->System().Environment(environment::kTraceVariable)) {
      path = *variable;
    } else if (auto key = SettingsKey(ViewsOf(survey_).front())) {
      path = survey_
                 .TextInView(RegistryRoot::kLocalMachine, *key, environment::kTraceValue,
                             ViewsOf(survey_).front())
                 .value_or("");
    }
    if (path.empty()) return;
    const std::string folder = FolderOf(path);
    const std::string pattern = path.substr(folder.empty() ? 0 : folder.size() + 1);
    platform::FileSystem& files = machine_->Files();
    std::vector<std::string> names;
    try {
      if (!folder.empty() && files.FolderExists(folder)) names = files.FilesInFolder(folder);
    } catch (const std::exception&) {
      LeaveOut(folder + ": the trace's folder cannot be read");
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      if (!FitsTraceName(name, pattern)) continue;
      const std::string file = folder + "\\" + name;
      if (!values_switched_on) {
        LeaveOut(file +
                 ": a trace holds patient data; it goes in only where the practice "
                 "switched values on (FlightRecorderValues = 1)");
        continue;
      }
      try {
        Add("traces/" + name, files.ReadWholeFile(file), "a trace file, with values");
      } catch (const std::exception&) {
        LeaveOut(file + ": cannot be read");
      }
    }
  }

  std::string Versions() {
    std::ostringstream out;
    out << "orvactl " << identity::kVersion << ", " << sizeof(void*) * 8 << "-bit process on a "
        << survey_.SystemBits() << "-bit system\r\n";
    for (RegistryView view : ViewsOf(survey_)) {
      out << "\r\n[" << ViewLabel(view) << "]\r\n";
      const auto installed = survey_.TextInView(RegistryRoot::kLocalMachine,
                                                environment::kPackageKey, "Version", view);
      out << "installed package: " << installed.value_or("(none recorded)") << "\r\n";
      const std::string server_key =
          std::string("Software\\Classes\\CLSID\\{") + identity::kClass.text + "}\\InprocServer32";
      const auto server = survey_.TextInView(RegistryRoot::kLocalMachine, server_key, "", view);
      if (!server) {
        out << "Orvabridge.dll: not registered\r\n";
        continue;
      }
      out << "Orvabridge.dll: " << *server << ", " << BitsOf(survey_, *server) << "\r\n";
      const std::string folder = FolderOf(*server);
      for (const char* program : {"orvactl.exe", "orva-sim.exe", "orva-relay.exe"}) {
        const std::string file = folder + "\\" + program;
        out << program << ": " << file << ", " << BitsOf(survey_, file) << "\r\n";
      }
      const auto application =
          survey_.TextInView(RegistryRoot::kLocalMachine, kClassLibrary, "ExecutablePath", view);
      const auto version =
          survey_.TextInView(RegistryRoot::kLocalMachine, kClassLibrary, "Version", view);
      out << "imaging application: " << application.value_or("(class library not installed)")
          << ", version " << version.value_or("(none)") << "\r\n";
    }
    return out.str();
  }

  std::string Settings(const environment::RecorderSettings& recorder) {
    std::ostringstream out;
    const auto from = [](const std::string& source) {
      return source == "not set" ? std::string(" (not set)") : " (from the " + source + ")";
    };
    out << "FlightRecorder: " << (recorder.incident_files ? "on" : "off")
        << from(recorder.incident_files_from) << "\r\n";
    out << "FlightRecorderValues: " << (recorder.values ? "on" : "off")
        << from(recorder.values_from) << "\r\n";
    out << "\r\n[environment]\r\n";
    for (const char* variable : {environment::kTraceVariable, environment::kFlightRecorderVariable,
                                 environment::kRecorderValuesVariable, "ORVABRIDGE_MESSAGE_BOXES",
                                 "ORVABRIDGE_MESSAGE_BOX_SECONDS", "LOCALAPPDATA"}) {
      const auto value = machine_->System().Environment(variable);
      out << variable << " = " << (value ? "\"" + *value + "\"" : "(not set)") << "\r\n";
    }
    for (RegistryView view : ViewsOf(survey_)) {
      out << "\r\n[" << ViewLabel(view) << "]\r\n";
      const auto value = [&](const std::string& key, const char* name) {
        auto text = survey_.TextInView(RegistryRoot::kLocalMachine, key, name, view);
        out << "HKLM\\" << key << " " << name << " = "
            << (text ? "\"" + (Lower(name) == "connectionstring" ? MaskPasswords(*text) : *text) +
                           "\""
                     : "(not set)")
            << "\r\n";
      };
      value(environment::kPackageKey, "Version");
      value(environment::kPackageKey, "FlightRecorderSetBy");
      for (const char* name :
           {"VendorKey", "ApplicationKey", "ExecutablePath", "Version", "ConnectionString"}) {
        value(kClassLibrary, name);
      }
      if (auto key = SettingsKey(view)) {
        for (const char* name : {environment::kTraceValue, "OrvabridgeTXTOUT"}) value(*key, name);
        value(FolderOf(*key) + "\\Preferrences", "WSNameFromClientname");
      }
    }
    return out.str();
  }

  void Write(const std::filesystem::path& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    const std::string bytes = zip_.Bytes();
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw std::runtime_error("cannot write " + path.string());
  }

  BundleReport& report() { return report_; }

 private:
  // "Software\<vendor>\<application>\Orvabridge" of the class library in `view`.
  std::optional<std::string> SettingsKey(RegistryView view) {
    const auto vendor =
        survey_.TextInView(RegistryRoot::kLocalMachine, kClassLibrary, "VendorKey", view);
    const auto application =
        survey_.TextInView(RegistryRoot::kLocalMachine, kClassLibrary, "ApplicationKey", view);
    if (!vendor || !application) return std::nullopt;
    return "Software\\" + *vendor + "\\" + *application + "\\Orvabridge";
  }

  std::shared_ptr<platform::Platform> machine_;
  platform::MachineSurvey& survey_;
  platform::LocalTime now_;
  ZipArchive zip_;
  BundleReport report_;
};

std::string Readme(const BundleReport& report, bool values) {
  std::string text =
      "Orvabridge support bundle\r\n"
      "=========================\r\n\r\n"
      "Made by orvactl support-bundle for a support ticket. It holds:\r\n\r\n"
      "  doctor.json    orvactl doctor's checks of this machine, as JSON\r\n"
      "  versions.txt   the installed parts, their versions and bitness, in each registry view\r\n"
      "  settings.txt   the settings that matter (passwords masked) and the environment\r\n"
      "  incidents/     the flight recorder's incident files: the last events before each\r\n"
      "                 time-out, unexpected reply, lost window, automation error or message "
      "box\r\n"
      "  traces/        the trace files the settings name";
  text += values ? " (values are switched on here)\r\n"
                 : "; left out here, because a trace holds patient data and values are not "
                   "switched on (FlightRecorderValues)\r\n";
  text +=
      "\r\nPatient data: incident files hold the length of each text argument, not the text,"
      "\r\nunless the practice switched values on; secret parameters (passwords) never.\r\n";
  text += "\r\nIncluded:\r\n";
  for (const std::string& line : report.included) text += "  " + line + "\r\n";
  if (!report.left_out.empty()) {
    text += "\r\nLeft out:\r\n";
    for (const std::string& line : report.left_out) text += "  " + line + "\r\n";
  }
  return text;
}

}  // namespace

BundleReport WriteSupportBundle(std::shared_ptr<platform::Platform> machine,
                                platform::MachineSurvey& survey, const DoctorOptions& options,
                                const std::filesystem::path& zip_path) {
  Bundle bundle(machine, survey);
  const environment::RecorderSettings recorder =
      environment::ReadRecorderSettings(machine->Reg(), machine->System());
  std::ostringstream doctor;
  PrintDoctorJson(RunDoctor(machine, survey, options), doctor, options.simulated_desktop);
  bundle.Add("doctor.json", doctor.str(), "orvactl doctor's checks");
  bundle.Add("versions.txt", bundle.Versions(), "installed parts, versions and bitness");
  bundle.Add("settings.txt", bundle.Settings(recorder), "settings, passwords masked");
  bundle.AddIncidents();
  bundle.AddTraces(recorder.values);
  bundle.Add("README.txt", Readme(bundle.report(), recorder.values), "what the bundle holds");
  bundle.Write(zip_path);
  return bundle.report();
}

}  // namespace orvabridge::orvactl
