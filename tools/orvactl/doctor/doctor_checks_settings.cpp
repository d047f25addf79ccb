// Checks 3 and 9: the bridge's settings with text-out mode, and the trace. Both are read by the
// library's own code (the start-up configuration, the trace's path), on the read-only platform,
// so that doctor follows exactly the rules a host follows (the client-name switch, the exception
// list, the variable that wins over the setting, "%p" in the trace path, ...).
#include "doctor_checks.h"
#include "environment/settings.h"
#include "environment/startup_config.h"
#include "environment/trace_log.h"

namespace orvabridge::orvactl {
namespace {

constexpr const char* kSection = "Orvabridge";

std::string WithoutTrailingBackslash(std::string path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

// The folder part of a file path; empty when the path names none.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return {};
  return path.substr(0, slash == 2 && path[1] == ':' ? 3 : slash);  // "C:\" keeps its backslash
}

std::string BoxText(const platform::MessageBoxRequest& box) {
  std::string text = box.text;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
    text.replace(at, 2, " / ");
  }
  return text;
}

}  // namespace

CheckLine CheckSettings(DoctorContext& context) {
  ReadOnlyPlatform& quiet = *context.quiet;
  environment::Installation& installation = context.installation;
  environment::SettingsReader settings(quiet.Reg(), quiet.AnsiCodePage(),
                                       installation.settings_base_key);
  std::string computer;
  std::string text_out;
  context.text_out_on = environment::LoadStartupConfiguration(
      quiet, settings, {computer, context.workstation, text_out, installation});

  Findings findings;
  for (const auto& box : quiet.TakeMessageBoxes()) {
    findings.Add(CheckStatus::kWarn, "reading the start-up configuration reported: " + BoxText(box),
                 "correct the setting the message names");
  }
  if (installation.class_library_missing) {
    findings.Add(CheckStatus::kWarn,
                 "not checked: without the class library the library reads no settings",
                 "install the class library first (line 2)");
    return std::move(findings).Line("settings", "");
  }

  const std::string key = SettingsKeyOf(installation);
  const bool key_exists = quiet.Reg().OpenKey(platform::RegistryRoot::kLocalMachine,
                                              installation.settings_base_key + "\\" + kSection,
                                              platform::kKeyRead) != nullptr;
  const std::string setting = environment::ConfiguredTextOutFolder(settings);
  findings.Detail("settings key " + key + (key_exists ? "" : " (missing)"));
  findings.Detail("workstation " + context.workstation + ", computer " + computer);
  findings.Detail("OrvabridgeTXTOUT \"" + setting + "\"");
  for (const std::string& refused : quiet.RefusedChanges()) {
    findings.Detail("a host would now " + refused);
  }

  if (setting.empty()) {
    return std::move(findings).Line(
        "settings", (key_exists ? key + ": " : "no " + key + ": ") +
                        "text-out mode off, calls go to the imaging application (workstation " +
                        context.workstation + ")");
  }
  if (!context.text_out_on) {
    // Here is where a relay replays what the terminal server wrote: its folder must be readable.
    const std::string own_folder = WithoutTrailingBackslash(setting);
    if (context.survey.FolderAccessOf(own_folder) == platform::FolderAccess::kMissing) {
      findings.Add(CheckStatus::kWarn,
                   "OrvabridgeTXTOUT is \"" + setting + "\" and workstation " +
                       context.workstation + " is listed in TxtOutExceptions, but the folder " +
                       own_folder +
                       " does not exist or cannot be read from here: a relay (orva-relay) on "
                       "this workstation has nothing to read",
                   "connect the share " + own_folder +
                       " on this workstation, or correct "
                       "OrvabridgeTXTOUT under " +
                       key);
    }
    return std::move(findings).Line("settings",
                                    "OrvabridgeTXTOUT is \"" + setting + "\", but workstation " +
                                        context.workstation +
                                        " is listed in TxtOutExceptions: text-out mode off here");
  }

  const std::string folder = WithoutTrailingBackslash(text_out);
  const std::string file = text_out + context.workstation + "\\" + context.workstation + ".TXT";
  const std::string clear = "clear OrvabridgeTXTOUT under " + key + " (or list workstation " +
                            context.workstation + " in TxtOutExceptions)";
  switch (context.survey.FolderAccessOf(folder)) {
    case platform::FolderAccess::kMissing:
      findings.Add(CheckStatus::kFail,
                   "text-out mode ON (workstation " + context.workstation +
                       " not in TxtOutExceptions), but its folder " + folder +
                       " does not exist: no call reaches the imaging application, and writing "
                       "the call log fails",
                   clear + "; or create " + folder + " if text-out mode is wanted");
      break;
    case platform::FolderAccess::kReadOnly:
      findings.Add(CheckStatus::kFail,
                   "text-out mode ON, but this process may not write to its folder " + folder,
                   clear + "; or give the practice's users write access to " + folder);
      break;
    case platform::FolderAccess::kWritable:
      findings.Add(CheckStatus::kWarn,
                   "text-out mode ON (workstation " + context.workstation +
                       " not in TxtOutExceptions): calls are written to " + file +
                       " and never reach the imaging application",
                   clear + " when the imaging application should open patients");
      break;
  }
  return std::move(findings).Line("settings", "");
}

CheckLine CheckTrace(DoctorContext& context) {
  using environment::kTraceValue;
  using environment::kTraceVariable;
  ReadOnlyPlatform& quiet = *context.quiet;
  environment::SettingsReader settings(quiet.Reg(), quiet.AnsiCodePage(),
                                       context.installation.settings_base_key);
  // The machine's own environment: the read-only platform switches the trace off for the
  // doctor's calls.
  platform::SystemServices& system = context.machine->System();
  const std::optional<std::string> variable = system.Environment(kTraceVariable);
  const std::string setting = context.installation.settings_base_key.empty()
                                  ? std::string()
                                  : settings.ReadSetting(kSection, kTraceValue);
  // The library's own reading: the variable wins, also when it is empty.
  const std::string path = environment::TracePath(settings, system);
  const std::string key = SettingsKeyOf(context.installation);
  const std::string source =
      variable ? std::string(kTraceVariable) : key + " \"" + kTraceValue + "\"";
  const std::string change =
      variable ? "the variable " + std::string(kTraceVariable) : "\"Trace\" under " + key;

  Findings findings;
  findings.Detail(std::string(kTraceVariable) + (variable ? " \"" + *variable + "\"" : " not set"));
  findings.Detail(key + " \"" + kTraceValue + "\" \"" + setting + "\"");
  if (variable && !setting.empty()) {
    findings.Detail("the setting \"" + setting + "\" is overridden by " + kTraceVariable);
  }
  if (path.empty()) {
    return std::move(findings).Line(
        "trace", variable ? "trace off (" + std::string(kTraceVariable) + " is set and empty)"
                          : "trace off (neither " + std::string(kTraceVariable) +
                                " nor \"Trace\" under " + key + " is set)");
  }
  const std::string folder = FolderOf(path);
  if (folder.empty()) {
    findings.Add(CheckStatus::kWarn,
                 "the trace goes to \"" + path + "\" (from " + source +
                     "), a path without a folder: each host writes it into its own working "
                     "folder",
                 "give a full path in " + change);
    return std::move(findings).Line("trace", "");
  }
  switch (context.survey.FolderAccessOf(folder)) {
    case platform::FolderAccess::kMissing:
      findings.Add(CheckStatus::kWarn,
                   "the trace goes to " + path + " (from " + source + "), but the folder " +
                       folder + " does not exist: nothing is traced",
                   "create " + folder + ", or change " + change);
      break;
    case platform::FolderAccess::kReadOnly:
      findings.Add(CheckStatus::kWarn,
                   "the trace goes to " + path + " (from " + source +
                       "), but this process may not write to " + folder,
                   "give the practice's users write access to " + folder + ", or change " + change);
      break;
    case platform::FolderAccess::kWritable:
      break;
  }
  return std::move(findings).Line("trace", "the trace goes to " + path + " (from " + source + ")");
}

}  // namespace orvabridge::orvactl
