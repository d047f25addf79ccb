// Check 7: the automation server's registration in each registry view, as regsvr32 writes it
// (src/com/registration.cpp): below Software\Classes of HKLM (for the machine) or HKCU (for one
// user, which Windows prefers), the class with its InprocServer32 file, the two ProgIDs naming
// the class, and the type library registered for the view's bitness.
#include <algorithm>
#include <cctype>

#include "doctor_checks.h"
#include "identity/identity.h"

namespace orvabridge::orvactl {
namespace {

using platform::RegistryRoot;
using platform::RegistryView;

const std::string kClassId = identity::kClass.text;
const std::string kLibraryId = identity::kLibrary.text;
const std::string kProgId = identity::kProgId;
const std::string kVersionedProgId = identity::kVersionedProgId;
const std::string kClasses = "Software\\Classes\\";

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

std::string Bits(RegistryView view) { return view == RegistryView::k64Bit ? "64-bit" : "32-bit"; }

std::string MachineName(uint16_t machine) {
  switch (machine) {
    case platform::kMachineX86:
      return "x86";
    case platform::kMachineX64:
      return "x64";
    case platform::kMachineArm64:
      return "ARM64";
    default:
      return "an unknown machine";
  }
}

// regsvr32 of the view's bitness.
std::string Regsvr32(RegistryView view, bool two_views) {
  if (!two_views) return "regsvr32.exe";
  return view == RegistryView::k64Bit ? "C:\\Windows\\System32\\regsvr32.exe"
                                      : "C:\\Windows\\SysWOW64\\regsvr32.exe";
}

std::string DllOf(RegistryView view) {
  return view == RegistryView::k64Bit ? "the x64 Orvabridge.dll" : "the x86 Orvabridge.dll";
}

// What one view holds. Windows merges the user's classes over the machine's, the user's first.
struct ViewRegistration {
  bool registered = false;
  std::string scope;  // "machine" or "user"
  std::string server;
  std::string threading;  // the class's ThreadingModel
  bool server_exists = false;
  std::optional<uint16_t> machine;
  bool prog_ids = false;
  bool type_library = false;
};

class ViewReader {
 public:
  ViewReader(platform::MachineSurvey& survey, RegistryView view) : survey_(survey), view_(view) {}

  // The value from the user's classes, else the machine's.
  std::optional<std::string> Merged(const std::string& key, const std::string& name = "") {
    for (RegistryRoot root : {RegistryRoot::kCurrentUser, RegistryRoot::kLocalMachine}) {
      if (auto text = survey_.TextInView(root, kClasses + key, name, view_)) return text;
    }
    return std::nullopt;
  }
  std::optional<std::string> In(RegistryRoot root, const std::string& key) {
    return survey_.TextInView(root, kClasses + key, "", view_);
  }

 private:
  platform::MachineSurvey& survey_;
  RegistryView view_;
};

ViewRegistration ReadRegistration(platform::MachineSurvey& survey, RegistryView view) {
  ViewReader reader(survey, view);
  ViewRegistration found;
  const std::string server_key = "CLSID\\" + kClassId + "\\InprocServer32";
  for (RegistryRoot root : {RegistryRoot::kCurrentUser, RegistryRoot::kLocalMachine}) {
    if (auto server = reader.In(root, server_key)) {
      found.registered = true;
      found.scope = root == RegistryRoot::kCurrentUser ? "user" : "machine";
      found.server = *server;
      found.threading =
          survey.TextInView(root, kClasses + server_key, "ThreadingModel", view).value_or("");
      break;
    }
  }
  if (!found.registered) return found;
  found.server_exists = survey.FileExists(found.server);
  if (found.server_exists) found.machine = survey.ExecutableMachine(found.server);
  found.prog_ids =
      SameIgnoringCase(reader.Merged(kProgId + "\\CLSID").value_or(""), kClassId) &&
      SameIgnoringCase(reader.Merged(kVersionedProgId + "\\CLSID").value_or(""), kClassId);
  const std::string library = reader.Merged("CLSID\\" + kClassId + "\\TypeLib").value_or("");
  const std::string library_file =
      reader
          .Merged("TypeLib\\" + library + "\\" + identity::kLibraryVersion + "\\0\\" +
                  (view == RegistryView::k64Bit ? "win64" : "win32"))
          .value_or("");
  found.type_library = SameIgnoringCase(library, kLibraryId) && !library_file.empty() &&
                       survey.FileExists(library_file);
  return found;
}

}  // namespace

CheckLine CheckComRegistration(DoctorContext& context) {
  if (context.options.simulated_desktop) {
    CheckLine line;
    line.topic = "com";
    line.status = CheckStatus::kNotApplicable;
    line.finding =
        kProgId + " is registered on Windows only; natively orvactl calls the library directly";
    return line;
  }
  Findings findings;
  const std::vector<RegistryView> views = Views(context);
  const bool two_views = views.size() == 2;
  std::vector<std::string> good;
  std::vector<RegistryView> missing;
  for (RegistryView view : views) {
    const ViewRegistration seen = ReadRegistration(context.survey, view);
    const std::string in_view = "in the " + ViewName(view);
    const uint16_t wanted =
        view == RegistryView::k64Bit ? platform::kMachineX64 : platform::kMachineX86;
    const std::string again = "register " + DllOf(view) + " again with " +
                              Regsvr32(view, two_views) + " from where it lies now";
    if (!seen.registered) {
      findings.Detail(ViewName(view) + ": class " + kClassId + " not registered");
      missing.push_back(view);
      continue;
    }
    findings.Detail(ViewName(view) + ": " + seen.server + " (for the " + seen.scope + ")");
    if (!seen.server_exists) {
      findings.Add(CheckStatus::kFail,
                   in_view + " the class names " + seen.server + ", which does not exist", again);
    } else if (!seen.machine) {
      findings.Add(CheckStatus::kFail,
                   in_view + " the class names " + seen.server + ", which is no readable DLL",
                   again);
    } else if (*seen.machine != wanted) {
      findings.Add(CheckStatus::kFail,
                   in_view + " the class names a DLL built for " + MachineName(*seen.machine) +
                       " (" + seen.server + "): " + Bits(view) + " hosts cannot load it",
                   "register " + DllOf(view) + " with " + Regsvr32(view, two_views));
    } else if (!seen.prog_ids) {
      findings.Add(CheckStatus::kFail,
                   in_view + " the ProgIDs " + kProgId + " and " + kVersionedProgId +
                       " do not both name the class: CreateObject(\"" + kProgId + "\") fails",
                   again);
    } else if (!SameIgnoringCase(seen.threading, "Apartment")) {
      findings.Add(CheckStatus::kWarn,
                   in_view + " the class's ThreadingModel is \"" + seen.threading +
                       "\", not Apartment: the objects must live on the thread that made them",
                   again);
    } else if (!seen.type_library) {
      findings.Add(CheckStatus::kWarn,
                   in_view + " the type library " + kLibraryId + " is not registered for " +
                       Bits(view) + " hosts: early-bound clients (a VB6 reference) cannot use it",
                   again);
    } else {
      good.push_back(Bits(view) + " hosts (" + seen.server + ", for the " + seen.scope + ")");
    }
  }
  if (missing.size() == views.size()) {
    findings.Add(CheckStatus::kFail,
                 kProgId + " is not registered" + (two_views ? " in either view" : "") +
                     ": CreateObject(\"" + kProgId + "\") fails with error 429",
                 two_views ? "from an elevated prompt: C:\\Windows\\SysWOW64\\regsvr32.exe with "
                             "the x86 Orvabridge.dll (32-bit hosts), "
                             "C:\\Windows\\System32\\regsvr32.exe with the x64 one"
                           : "from an elevated prompt: regsvr32.exe Orvabridge.dll");
  } else {
    for (RegistryView view : missing) {
      findings.Add(CheckStatus::kWarn,
                   "registered only for " + Bits(views[0] == view ? views[1] : views[0]) +
                       " hosts: " + Bits(view) +
                       (view == RegistryView::k32Bit
                            ? " hosts (VB6, most practice programs) cannot create "
                            : " hosts (64-bit PowerShell, cscript and .NET programs) cannot "
                              "create ") +
                       kProgId,
                   "register " + DllOf(view) + " with " + Regsvr32(view, two_views));
    }
  }
  std::string ok = "registered for ";
  for (size_t i = 0; i < good.size(); ++i) ok += (i == 0 ? "" : " and ") + good[i];
  return std::move(findings).Line("com", ok);
}

}  // namespace orvabridge::orvactl
