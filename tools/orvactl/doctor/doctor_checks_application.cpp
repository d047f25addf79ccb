// Checks 4 to 6: the windows that look like the imaging application, the attach without launch,
// and the session with the version that the session query needs.
#include <cctype>
#include <cstdio>

#include "appcontrol/locate.h"
#include "appl/appl_access.h"
#include "calls/result_codes.h"
#include "doctor_checks.h"
#include "operations/session.h"

namespace orvabridge::orvactl {
namespace {

using platform::WindowHandle;

constexpr platform::MessageId kNullMessage = 0;  // WM_NULL: asks nothing, only for an answer

enum class Response { kResponding, kHung, kNoAnswer, kGone };

struct SeenWindow {
  WindowHandle handle;
  std::string class_name;
  std::string title;  // empty when it did not answer
  uint32_t process = 0;
  Response response = Response::kGone;
  bool title_matches = false;
};

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) !=
        std::toupper(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

// A bounded probe: the message is handed over only to a thread the system does not report as
// hung, and the wait ends at the limit.
Response Probe(platform::WindowSystem& windows, WindowHandle window,
               std::chrono::milliseconds limit) {
  const auto sent = windows.Send(window, kNullMessage, 0, 0, platform::Clock::now() + limit);
  switch (sent.status) {
    case platform::SendStatus::kHandled:
      return Response::kResponding;
    case platform::SendStatus::kHung:
      return Response::kHung;
    case platform::SendStatus::kTimedOut:
      return Response::kNoAnswer;
    case platform::SendStatus::kNoWindow:
      break;
  }
  return Response::kGone;
}

std::string Describe(const SeenWindow& window) {
  std::string text = window.class_name + " " + Hex(window.handle.value) + " \"" + window.title +
                     "\", process " + std::to_string(window.process);
  switch (window.response) {
    case Response::kResponding:
      return text + ", responding";
    case Response::kHung:
      return text + ", hung (the system reports it)";
    case Response::kNoAnswer:
      return text + ", no answer within the probe's limit";
    case Response::kGone:
      break;
  }
  return text + ", gone";
}

std::string Joined(const std::vector<std::string>& items) {
  std::string joined;
  for (const std::string& item : items) joined += (joined.empty() ? "" : "; ") + item;
  return joined;
}

std::string AttachRemedy(int32_t code) {
  switch (code) {
    case result::kInitClassLibraryMissing:
      return "install the class library (line 2)";
    case result::kInitNoAnswer:
      return "start the imaging application in this user's session; if its window is there "
             "(line 4) but does not answer, close and start it again";
    default:
      return "the host could not make its hidden reply window or register the attach message: "
             "start the host again in a normal desktop session";
  }
}

}  // namespace

CheckLine CheckWindows(DoctorContext& context) {
  Findings findings;
  const std::string& application_key = context.installation.application_key;
  if (application_key.empty()) {
    findings.Add(CheckStatus::kFail, "no ApplicationKey is known, so there is no title to look for",
                 "set ApplicationKey under HKLM\\Software\\Orvaclass (line 2)");
    return std::move(findings).Line("windows", "");
  }
  const std::string prefix = application_key.substr(0, application_key.size() - 1);
  platform::WindowSystem& windows = context.machine->Windows();
  const std::string classes[] = {appcontrol::kMainWindowClass, appcontrol::kDesignMainWindowClass};
  const auto found = windows.FindWindowsOfClasses(classes);

  std::vector<SeenWindow> seen;
  for (size_t k = 0; k < found.size(); ++k) {
    for (const WindowHandle handle : found[k]) {
      SeenWindow window;
      window.handle = handle;
      window.class_name = classes[k];
      window.response = Probe(windows, handle, context.options.probe_limit);
      if (window.response == Response::kGone) continue;
      if (window.response == Response::kResponding) {
        window.title = windows.WindowText(handle, context.options.timing.title_read_limit);
      }
      window.process = context.survey.WindowProcess(handle);
      window.title_matches = StartsWithIgnoringCase(window.title, prefix);
      seen.push_back(std::move(window));
    }
  }

  std::vector<std::string> matching, silent, others;
  for (const SeenWindow& window : seen) {
    findings.Detail(Describe(window));
    if (window.response != Response::kResponding) {
      silent.push_back(Describe(window));
    } else if (window.title_matches) {
      matching.push_back(Describe(window));
    } else {
      others.push_back(Describe(window));
    }
  }

  const std::string looked_for =
      "class " + classes[0] + " or " + classes[1] + ", title starting \"" + prefix + "\"";
  if (matching.empty()) {
    if (!silent.empty()) {
      findings.Add(CheckStatus::kFail,
                   "no responding window of the imaging application (" + looked_for +
                       "); not answering: " + Joined(silent),
                   "wait a moment; if it stays so, end that program in the Task Manager and "
                   "start the imaging application again");
    } else if (!others.empty()) {
      findings.Add(CheckStatus::kFail,
                   "windows of the class, but none titled \"" + prefix + "...\": " + Joined(others),
                   "start the imaging application; its title must start with ApplicationKey "
                   "less its last letter (\"" +
                       prefix + "\")");
    } else {
      findings.Add(CheckStatus::kFail,
                   "no window looks like the imaging application (" + looked_for +
                       "): it is not running on this desktop",
                   "start the imaging application in this user's session (a program of another "
                   "user or session cannot be reached)");
    }
    return std::move(findings).Line("windows", "");
  }
  if (matching.size() > 1) {
    findings.Add(CheckStatus::kWarn,
                 std::to_string(matching.size()) +
                     " windows look like the imaging application; the library attaches to the "
                     "first that answers: " +
                     Joined(matching),
                 "close the instances that are not wanted (an orva-sim among them?)");
  }
  if (!silent.empty()) {
    findings.Add(CheckStatus::kWarn, "a window of the class does not answer: " + Joined(silent),
                 "end the program that does not answer in the Task Manager");
  }
  return std::move(findings).Line("windows", matching.front());
}

CheckLine CheckAttach(DoctorContext& context) {
  Findings findings;
  try {
    context.appl = ApplAccess::Make(context.quiet, context.options.timing);
  } catch (const AutomationError& error) {
    findings.Add(CheckStatus::kFail,
                 "an Appl object could not be made: error " + std::to_string(error.number()) +
                     ", " + error.description(),
                 "read the description; start the host again in a normal desktop session");
    return std::move(findings).Line("attach", "");
  }
  std::string name;
  std::string version = appcontrol::kNoLaunch;
  const int32_t code = context.appl->InitApplication(name, version);
  link::ApplCore& core = ApplAccess::Core(*context.appl);
  for (const auto& box : context.quiet->TakeMessageBoxes())
    findings.Detail("message box: " + box.text);

  if (code != result::kSuccess) {
    findings.Add(CheckStatus::kFail,
                 "InitApplication(name, \"NoLaunch\") returned " + std::to_string(code) + ": " +
                     ResultMeaning("InitApplication", code),
                 AttachRemedy(code));
    return std::move(findings).Line("attach", "");
  }
  context.application_version = version;
  if (core.text_out().on()) {
    findings.Add(CheckStatus::kWarn,
                 "text-out mode: InitApplication answers \"" + name + " " + version +
                     "\" from the installation without asking the imaging application",
                 "switch text-out mode off (line 3)");
    return std::move(findings).Line("attach", "");
  }
  if (core.thread().stub_mode) {
    findings.Add(CheckStatus::kWarn,
                 "stub mode: \"" + name + " " + version +
                     "\" is the stub's answer, not an imaging application's",
                 "set ExecutablePath (line 2) and start the imaging application");
    return std::move(findings).Line("attach", "");
  }
  context.attached = true;
  return std::move(findings).Line("attach", "attached to \"" + name + "\" version " + version +
                                                " (control window " +
                                                Hex(core.thread().target_window.value) + ")");
}

CheckLine CheckSession(DoctorContext& context) {
  Findings findings;
  if (!context.attached) {
    findings.Add(CheckStatus::kWarn, "not checked: not attached to the imaging application",
                 "make line 5 pass first");
    return std::move(findings).Line("session", "");
  }
  link::ApplCore& core = ApplAccess::Core(*context.appl);
  const std::string& version = context.application_version;
  const std::string needed = operations::kSessionQueryVersion;
  if (!operations::NewerVersionAvailable(core, version, needed)) {
    findings.Add(CheckStatus::kWarn,
                 "the imaging application is version " + version + ", older than " + needed +
                     ": it cannot answer session queries, so GetSessionInfo reports somebody "
                     "logged in without asking and requests are sent unchecked",
                 "update the imaging application to version " + needed + " or later");
    return std::move(findings).Line("session", "");
  }

  int32_t user_id = 0;
  std::string first, last, login, group;
  bool logged_in = false;
  const int32_t code = context.appl->GetSessionInfo(&user_id, nullptr, &first, &last, &login,
                                                    &group, nullptr, &logged_in);
  for (const auto& box : context.quiet->TakeMessageBoxes())
    findings.Detail("message box: " + box.text);
  if (code != result::kSuccess) {
    findings.Add(CheckStatus::kFail,
                 "GetSessionInfo returned " + std::to_string(code) + ": " +
                     ResultMeaning("GetSessionInfo", code),
                 "the imaging application does not answer session queries: close and start it "
                 "again");
  } else if (!logged_in) {
    findings.Add(CheckStatus::kFail,
                 "nobody is logged in to the imaging application (version " + version +
                     "): every request but the logins is refused with -12",
                 "log in to the imaging application (or: orvactl login --login NAME --password "
                 "PASSWORD)");
  }
  return std::move(findings).Line("session", "logged in: " + login + " (" + first + " " + last +
                                                 ", group " + group + "); version " + version +
                                                 " answers session queries (" + needed +
                                                 " or later)");
}

}  // namespace orvabridge::orvactl
