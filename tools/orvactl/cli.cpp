#include "appl/appl_access.h"
#include "cli.h"

#include "appcontrol/locate.h"
#include "call.h"
#include "demo.h"
#include "doctor.h"
#include "field_widths.h"
#include "help.h"
#include "invocation.h"
#include "json.h"
#include "report.h"
#include "result_codes.h"
#include "status_line.h"

namespace orvabridge::orvactl {
namespace {

// Message boxes of the library become lines on the error stream while a command runs: a command
// line has no one to press OK.
class MessageBoxesToStream {
 public:
  MessageBoxesToStream(platform::Platform& platform, StatusLine& status) : platform_(platform) {
    platform_.System().SetMessageBoxHandler([&status](const platform::MessageBoxRequest& box) {
      std::string text = box.text;
      for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
        text.replace(at, 2, " / ");
      }
      status.Message("[message box] " + text);
      return platform::kIdOk;
    });
  }
  ~MessageBoxesToStream() { platform_.System().SetMessageBoxHandler(nullptr); }
  MessageBoxesToStream(const MessageBoxesToStream&) = delete;
  MessageBoxesToStream& operator=(const MessageBoxesToStream&) = delete;

 private:
  platform::Platform& platform_;
};

// Errors before or around the call: a line on the error stream, or under --json one object on
// standard output, where a script reads the answer.
class ErrorReport {
 public:
  ErrorReport(bool json, std::ostream& out, std::ostream& err)
      : json_(json), out_(out), err_(err) {}

  int Usage(const UsageError& error) {
    if (json_) {
      out_ << "{\"error\":{\"kind\":\"usage\",\"message\":" << JsonString(error.what());
      if (!error.suggestion().empty()) out_ << ",\"suggestion\":" << JsonString(error.suggestion());
      out_ << "}}\n";
    } else {
      err_ << "orvactl: " << error.what() << '\n';
    }
    return exit_status::kUsage;
  }
  int Automation(const AutomationError& error) {
    if (json_) {
      out_ << "{\"error\":{\"kind\":\"automation\",\"number\":" << error.number()
           << ",\"source\":" << JsonString(error.source())
           << ",\"description\":" << JsonString(error.description()) << "}}\n";
    } else {
      err_ << "orvactl: automation error " << error.number() << " (" << error.source()
           << "): " << error.description() << '\n';
    }
    return exit_status::kAutomationError;
  }
  int Setup(const std::exception& error) {
    if (json_) {
      out_ << "{\"error\":{\"kind\":\"setup\",\"message\":" << JsonString(error.what()) << "}}\n";
    } else {
      err_ << "orvactl: cannot set up: " << error.what() << '\n';
    }
    return exit_status::kSetupFailed;
  }

 private:
  bool json_;
  std::ostream& out_;
  std::ostream& err_;
};

// A host attaches before anything else; "NoLaunch" only looks for a running application.
void Attach(Appl& appl, StatusLine& status) {
  std::string name;
  std::string version = appcontrol::kNoLaunch;
  int32_t code = 0;
  {
    WaitProgress progress(status, "InitApplication");
    code = appl.InitApplication(name, version);
  }
  if (code != result::kSuccess) {
    status.Message("orvactl: not attached (InitApplication: " + std::to_string(code) + ", " +
                   ResultMeaning("InitApplication", code) + "); the call runs anyway");
  } else if (ApplAccess::Core(appl).thread().stub_mode) {
    status.Message(
        "orvactl: stub mode: no imaging application is installed; the stub answers the call");
  }
}

int RunMember(const Invocation& invocation, Workbench& workbench, std::ostream& out,
              StatusLine& status) {
  const CommandEntry& command = *invocation.found;
  const bool attaches_itself = command.member == "InitApplication";
  if (!attaches_itself) workbench.StartApplication(!invocation.logged_out);

  const auto made = ApplAccess::Make(workbench.Platform());
  Appl& appl = *made;
  std::vector<std::string> warnings;
  for (const CutText& cut :
       CutTexts(command, invocation.values, workbench.Platform()->AnsiCodePage())) {
    warnings.push_back(Describe(cut));
    if (!invocation.json) status.Message("orvactl: warning: " + warnings.back());
  }
  if (!attaches_itself) Attach(appl, status);
  CallOutcome outcome;
  {
    WaitProgress progress(status, std::string(command.member));
    outcome = Call(appl, command, invocation.values);
  }
  outcome.warnings = std::move(warnings);
  if (attaches_itself) {
    outcome.stub_mode =
        outcome.ResultCode() == result::kSuccess && ApplAccess::Core(appl).thread().stub_mode;
    workbench.SeedLaunchedApplication(!invocation.logged_out);
  }

  if (invocation.json) {
    PrintJson(outcome, out);
  } else {
    PrintTable(outcome, out);
  }
  if (outcome.failure) return exit_status::kAutomationError;
  if (outcome.stub_mode) return exit_status::kOtherResult;
  return outcome.Succeeded() ? exit_status::kSuccess : exit_status::kOtherResult;
}

int RunDoctorCommand(const Invocation& invocation, Workbench& workbench, std::ostream& out) {
  workbench.StartApplication(!invocation.logged_out);
  const std::vector<CheckLine> lines = RunDoctor(workbench.Platform(), workbench.Survey());
  if (invocation.json) {
    PrintDoctorJson(lines, out);
  } else {
    PrintDoctorText(lines, out);
  }
  return AnyFailed(lines) ? exit_status::kOtherResult : exit_status::kSuccess;
}

int PrintHelp(const Invocation& invocation, Workbench& workbench, std::ostream& out) {
  if (invocation.found) {
    PrintCommandHelp(out, *invocation.found);
  } else if (invocation.command == kDoctorCommand) {
    PrintDoctorHelp(out);
  } else if (invocation.command == kDemoCommand) {
    PrintDemoHelp(out, workbench.Description());
  } else {
    PrintOverview(out, workbench.Description());
  }
  return exit_status::kSuccess;
}

int Dispatch(std::span<const std::string> args, std::ostream& out, std::ostream& err,
             const WorkbenchFactory& make_workbench, bool err_is_terminal) {
  ErrorReport report(AsksForJson(args), out, err);
  Invocation invocation;
  try {
    invocation = ParseInvocation(args);
  } catch (const UsageError& error) {
    return report.Usage(error);
  }
  if (invocation.version) {
    if (invocation.json) {
      out << "{\"version\":" << JsonString(OrvactlVersion()) << "}\n";
    } else {
      out << "orvactl " << OrvactlVersion() << '\n';
    }
    return exit_status::kSuccess;
  }

  try {
    std::unique_ptr<Workbench> workbench = make_workbench();
    if (invocation.help) return PrintHelp(invocation, *workbench, out);
    if (invocation.command.empty()) {
      if (invocation.json) return report.Usage(UsageError("no command given"));
      PrintOverview(err, workbench->Description());
      return exit_status::kUsage;
    }
    if (invocation.command == kDoctorCommand) return RunDoctorCommand(invocation, *workbench, out);
    StatusLine status(err, err_is_terminal);
    MessageBoxesToStream boxes(*workbench->Platform(), status);
    if (!invocation.found) return RunDemo(*workbench, out, err, &status);
    return RunMember(invocation, *workbench, out, status);
  } catch (const AutomationError& error) {
    return report.Automation(error);  // making the Appl object itself failed
  } catch (const std::exception& error) {
    return report.Setup(error);
  }
}

}  // namespace

std::string OrvactlVersion() {
#ifdef ORVABRIDGE_VERSION
  return ORVABRIDGE_VERSION;
#else
  return "unknown";
#endif
}

int RunOrvactl(std::span<const std::string> args, std::ostream& out, std::ostream& err,
               const WorkbenchFactory& make_workbench, bool err_is_terminal) {
  const int status = Dispatch(args, out, err, make_workbench, err_is_terminal);
  // Whatever was shown must have arrived: a full disk or a closed pipe is a failure too.
  out.flush();
  if (!out) {
    err << "orvactl: cannot write to standard output\n";
    return exit_status::kOutputFailed;
  }
  return status;
}

}  // namespace orvabridge::orvactl
