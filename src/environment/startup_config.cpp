#include "environment/startup_config.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <memory>
#include <optional>

#include "environment/class_library.h"
#include "platform/runtime_failure.h"

namespace orvabridge::environment {
namespace {

constexpr const char* kErrorPrefix = "Orvabridge.GetComputerOrClientName ERROR: ";
constexpr const char* kBoxCaption = "Orvabridge";

// Words in an executable path that mark an imaging program this library must not start.
constexpr std::string_view kForeignProducts[] = {"tessaro", "tessx"};

std::string TrimSpaces(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string ToLower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string ToUpper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// Runs the routine's statements one after the other. A missing class library (429) ends the run;
// any other failure is shown in a box and the run goes on with the next statement.
class StepRunner {
 public:
  StepRunner(platform::SystemServices& system, bool& class_library_missing)
      : system_(system), class_library_missing_(class_library_missing) {}

  // Does nothing once the run has been ended.
  void Run(const std::function<void()>& statement) {
    if (stopped_) return;
    try {
      statement();
    } catch (const RuntimeFailure& failure) {
      if (failure.number() == failure::kCannotCreateObject) {
        class_library_missing_ = true;
        stopped_ = true;
        return;
      }
      platform::MessageBoxRequest box;
      box.text = kErrorPrefix + std::to_string(failure.number()) + "\r\n" + failure.description();
      box.caption = kBoxCaption;
      box.style = platform::kMbIconInformation;
      system_.ShowMessageBox(box);
    }
  }

  bool stopped() const { return stopped_; }

 private:
  platform::SystemServices& system_;
  bool& class_library_missing_;
  bool stopped_ = false;
};

}  // namespace

std::string SettingsBaseKey(std::string_view vendor_key, std::string_view application_key) {
  return "Software\\" + std::string(vendor_key) + "\\" + std::string(application_key);
}

std::string ConfiguredTextOutFolder(SettingsReader& settings) {
  return TrimSpaces(settings.ReadSetting("Orvabridge", "OrvabridgeTXTOUT"));
}

bool IsSafeFileName(std::string_view name) {
  if (name == "." || name == "..") return false;
  return name.find_first_of("\\/:*?\"<>|") == std::string_view::npos;
}

bool LoadStartupConfiguration(platform::Platform& platform, SettingsReader& settings,
                              StartupTarget target) {
  Installation& installation = target.installation;
  StepRunner step(platform.System(), installation.class_library_missing);

  std::unique_ptr<ClassLibrary> class_library;
  step.Run([&] {
    class_library =
        CreateClassLibrary(platform.Reg(), platform.AnsiCodePage(), platform.Databases());
  });
  if (step.stopped()) return false;  // class library missing: nothing else changes

  InstallationInfo info;
  info.vendor_key = installation.vendor_key;
  info.application_key = installation.application_key;
  info.executable_path = installation.imaging_exe_path;
  step.Run([&] {
    if (!class_library) {
      throw RuntimeFailure(failure::kObjectVariableNotSet,
                           "Object variable or With block variable not set");
    }
    class_library->GetInstallationInfo(info);
    installation.vendor_key = info.vendor_key;
    installation.application_key = info.application_key;
    installation.imaging_exe_path = info.executable_path;
  });
  class_library.reset();

  step.Run([&] {
    for (std::string_view product : kForeignProducts) {
      if (ToLower(installation.imaging_exe_path).find(product) != std::string::npos) {
        installation.imaging_exe_path.clear();
      }
    }
  });
  step.Run([&] {
    installation.installed_version = std::to_string(info.major) + "." + std::to_string(info.minor) +
                                     "." + std::to_string(info.revision);
  });
  step.Run([&] {
    installation.settings_base_key =
        SettingsBaseKey(installation.vendor_key, installation.application_key);
  });
  step.Run([&] { target.computer_name = platform.System().ComputerName(); });

  step.Run([&] {
    const std::string from_client =
        TrimSpaces(settings.ReadSetting("Preferrences", "WSNameFromClientname"));
    std::string workstation;
    if (from_client == "1") {
      workstation = TrimSpaces(platform.System().Environment("clientname").value_or(""));
      // The name becomes a folder and a file name of the text-out path: a value that could
      // reach outside that folder is no client name, so the computer's name is used instead.
      if (!IsSafeFileName(workstation)) workstation.clear();
    }
    target.workstation_name = workstation.empty() ? target.computer_name : workstation;
  });

  step.Run([&] { target.text_out_setting = ConfiguredTextOutFolder(settings); });

  step.Run([&] {
    // Each listed name is followed by a zero character, so "name + zero" finds whole entries and
    // entries that end in the name.
    const std::string exceptions = settings.ReadSetting("Orvabridge", "TxtOutExceptions");
    if (TrimSpaces(exceptions).empty()) return;
    const std::string wanted = ToUpper(target.workstation_name) + '\0';
    if (ToUpper(exceptions).find(wanted) != std::string::npos) target.text_out_setting.clear();
  });

  if (step.stopped() || target.text_out_setting.empty()) return false;

  step.Run([&] {
    if (target.text_out_setting.back() != '\\') target.text_out_setting += '\\';
  });
  step.Run([&] {
    const std::string folder = target.text_out_setting + target.workstation_name;
    if (!platform.Files().FolderExists(folder)) platform.Files().CreateFolder(folder);
  });
  return !step.stopped();
}

}  // namespace orvabridge::environment
