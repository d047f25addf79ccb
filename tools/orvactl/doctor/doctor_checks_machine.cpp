// Checks 1 and 2: the process's bitness with the registry view it reads, and the class library's
// key in both views.
#include <cctype>

#include "doctor_checks.h"

namespace orvabridge::orvactl {
namespace {

using platform::RegistryRoot;
using platform::RegistryView;

struct ClassLibraryView {
  bool present = false;
  std::string vendor, application, executable, version;
};

ClassLibraryView ReadView(platform::MachineSurvey& survey, RegistryView view) {
  ClassLibraryView found;
  found.present = survey.KeyExistsInView(RegistryRoot::kLocalMachine, kClassLibraryKey, view);
  if (!found.present) return found;
  auto text = [&](const char* name) {
    return survey.TextInView(RegistryRoot::kLocalMachine, kClassLibraryKey, name, view)
        .value_or("");
  };
  found.vendor = text("VendorKey");
  found.application = text("ApplicationKey");
  found.executable = text("ExecutablePath");
  found.version = text("Version");
  return found;
}

// "major.minor.revision", each a whole number: anything else reads as 0 where it is not one.
bool IsReadableVersion(const std::string& version) {
  int parts = 0;
  size_t digits = 0;
  for (char c : version) {
    if (c == '.') {
      if (digits == 0) return false;
      ++parts;
      digits = 0;
    } else if (std::isdigit(static_cast<unsigned char>(c)) && digits < 5) {
      ++digits;
    } else {
      return false;
    }
  }
  return parts == 2 && digits > 0;
}

std::string OtherBits(RegistryView view) {
  return view == RegistryView::k64Bit ? "32-bit" : "64-bit";
}

std::string Bits(RegistryView view) { return view == RegistryView::k64Bit ? "64-bit" : "32-bit"; }

// What to do about a view that lacks the key, with the system's own tool.
std::string CreateInView(RegistryView view) {
  return "create HKLM\\Software\\Orvaclass in the " + ViewName(view) +
         " too, with the same values (`reg add HKLM\\Software\\Orvaclass /v NAME /d VALUE /reg:" +
         std::string(view == RegistryView::k64Bit ? "64" : "32") + "` for each)";
}

}  // namespace

CheckLine CheckProcess(DoctorContext& context) {
  const int process = context.survey.ProcessBits();
  const int system = context.survey.SystemBits();
  context.process_view = process == 64 ? RegistryView::k64Bit : RegistryView::k32Bit;
  Findings findings;
  findings.Detail("process " + std::to_string(process) + "-bit, Windows " + std::to_string(system) +
                  "-bit");
  std::string line =
      std::to_string(process) + "-bit process on " + std::to_string(system) + "-bit Windows: ";
  if (system != 64) {
    line += "one registry view (HKLM\\Software)";
  } else if (process == 64) {
    line += "reads the 64-bit registry view (HKLM\\Software), as 64-bit hosts do";
  } else {
    line += "reads the 32-bit registry view (HKLM\\Software\\WOW6432Node), as 32-bit hosts do";
  }
  if (context.options.simulated_desktop) {
    CheckLine simulated = std::move(findings).Line(
        "process",
        "no Windows process here: orvactl runs natively on the in-process desktop, "
        "whose registry it reads in the " +
            ViewName(context.process_view));
    simulated.status = CheckStatus::kNotApplicable;
    return simulated;
  }
  return std::move(findings).Line("process", line);
}

CheckLine CheckClassLibrary(DoctorContext& context) {
  Findings findings;
  const RegistryView own = context.process_view;
  const std::vector<RegistryView> views = Views(context);
  const ClassLibraryView mine = ReadView(context.survey, own);
  const bool two_views = views.size() == 2;
  const ClassLibraryView other =
      two_views ? ReadView(context.survey, views[1]) : ClassLibraryView{};
  for (RegistryView view : views) {
    const ClassLibraryView& seen = view == own ? mine : other;
    findings.Detail(ViewName(view) +
                    (seen.present ? ": VendorKey \"" + seen.vendor + "\", ApplicationKey \"" +
                                        seen.application + "\", Version \"" + seen.version + "\""
                                  : ": no HKLM\\Software\\Orvaclass"));
  }

  if (!mine.present) {
    if (other.present) {
      findings.Add(CheckStatus::kFail,
                   "HKLM\\Software\\Orvaclass is present only in the " + ViewName(views[1]) +
                       ": this " + Bits(own) + " process and " + Bits(own) + " hosts do not see it",
                   CreateInView(own));
    } else {
      findings.Add(CheckStatus::kFail,
                   "HKLM\\Software\\Orvaclass is missing" +
                       std::string(two_views ? " in both views" : "") +
                       ": the class library is not installed (InitApplication returns -5)",
                   "install the imaging application's class library, or create "
                   "HKLM\\Software\\Orvaclass with the values VendorKey, ApplicationKey, "
                   "ExecutablePath, Version and ConnectionString");
    }
    return std::move(findings).Line("class-library", "");
  }

  if (mine.vendor.empty() || mine.application.empty()) {
    findings.Add(CheckStatus::kFail,
                 "VendorKey or ApplicationKey is empty: the settings key and the window title "
                 "cannot be found",
                 "set VendorKey and ApplicationKey under HKLM\\Software\\Orvaclass (ApplicationKey "
                 "is the start of the imaging application's window title)");
  }
  if (!IsReadableVersion(mine.version)) {
    findings.Add(CheckStatus::kWarn, "Version \"" + mine.version + "\" is not major.minor.revision",
                 "set Version under HKLM\\Software\\Orvaclass to the installed version, e.g. "
                 "3.1.1199");
  }
  if (mine.executable.empty()) {
    findings.Add(CheckStatus::kWarn,
                 "ExecutablePath is empty: InitApplication cannot start the imaging application "
                 "and enters stub mode when none runs",
                 "set ExecutablePath under HKLM\\Software\\Orvaclass to the imaging "
                 "application's program");
  } else if (!context.survey.FileExists(mine.executable)) {
    findings.Add(CheckStatus::kWarn, "ExecutablePath \"" + mine.executable + "\" does not exist",
                 "set ExecutablePath under HKLM\\Software\\Orvaclass to the imaging "
                 "application's program as it is installed now");
  }
  if (two_views && !other.present) {
    findings.Add(
        CheckStatus::kWarn,
        "present only in the " + ViewName(own) + ": " + OtherBits(own) + " hosts will not see it",
        CreateInView(views[1]));
  } else if (two_views && (other.vendor != mine.vendor || other.application != mine.application ||
                           other.version != mine.version || other.executable != mine.executable)) {
    findings.Add(CheckStatus::kWarn,
                 "the 32-bit and the 64-bit view describe different installations",
                 "make HKLM\\Software\\Orvaclass the same in both views");
  }
  std::string ok = "VendorKey \"" + mine.vendor + "\", ApplicationKey \"" + mine.application +
                   "\", Version " + mine.version;
  ok += two_views ? ", the same in both views" : "";
  return std::move(findings).Line("class-library", ok);
}

}  // namespace orvabridge::orvactl
