#include "appl/appl_access.h"
#include "cli.h"

#include <algorithm>

#include "appcontrol/locate.h"
#include "calls/call.h"
#include "calls/result_codes.h"
#include "demo/demo.h"
#include "doctor/doctor.h"
#include "doctor/support_bundle.h"
#include "field_widths.h"
#include "help.h"
#include "invocation.h"
#include "lost_characters.h"
#include "output/json.h"
#include "output/report.h"
#include "output/status_line.h"
#include "shell.h"

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
  // `prefix`: put before each message line ("line 3: " in the shell).
  ErrorReport(bool json, std::ostream& out, std::ostream& err, std::string prefix = {})
      : json_(json), out_(out), err_(err), prefix_(std::move(prefix)) {}

  int Usage(const UsageError& error) {
    if (json_) {
      out_ << "{\"error\":{\"kind\":\"usage\",\"message\":" << JsonString(error.what());
      if (!error.suggestion().empty()) out_ << ",\"suggestion\":" << JsonString(error.suggestion());
      out_ << "}}\n";
    } else {
      err_ << "orvactl: " << prefix_ << error.what() << '\n';
    }
    return exit_status::kUsage;
  }
  int Automation(const AutomationError& error) {
    if (json_) {
      out_ << "{\"error\":{\"kind\":\"automation\",\"number\":" << error.number()
           << ",\"hex\":" << JsonString(HexNumber(error.number()))
           << ",\"source\":" << JsonString(error.source())
           << ",\"description\":" << JsonString(error.description()) << "}}\n";
    } else {
      err_ << "orvactl: automation error " << ErrorNumberText(error.number()) << " from "
           << error.source() << ": " << error.description() << '\n';
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
  std::string prefix_;
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

int PrintHelp(const Invocation& invocation, Workbench& workbench, std::ostream& out);

// One member call through `appl`, printed as a table or one JSON object. An automation error
// the member raised goes to standard error (under --json into the object). `attach`: attach
// first, as a host does before anything else.
int RunCall(const Invocation& invocation, Workbench& workbench, Appl& appl, bool attach,
            std::ostream& out, std::ostream& err, StatusLine& status) {
  const CommandEntry& command = *invocation.found;
  std::vector<std::string> warnings;
  platform::CodePage& code_page = workbench.Platform()->AnsiCodePage();
  for (const LostText& lost : LostTexts(command, invocation.values, code_page)) {
    warnings.push_back(Describe(lost));
  }
  for (const CutText& cut : CutTexts(command, invocation.values, code_page)) {
    warnings.push_back(Describe(cut));
  }
  if (!invocation.json) {
    for (const std::string& warning : warnings) status.Message("orvactl: warning: " + warning);
  }
  if (attach) Attach(appl, status);
  CallOutcome outcome;
  {
    WaitProgress progress(status, std::string(command.member));
    outcome = Call(appl, command, invocation.values);
  }
  outcome.warnings = std::move(warnings);
  if (command.member == "GetComputerOrClientName" && !outcome.failure) {
    // The member returns nothing; what it read is what a user runs it for.
    const link::ApplCore& core = ApplAccess::Core(appl);
    outcome.outputs.emplace_back("computer", core.text_out().computer_name());
    outcome.outputs.emplace_back("workstation", core.text_out().workstation_name());
    outcome.outputs.emplace_back("text-out folder", core.text_out().folder());
  }
  if (command.member == "InitApplication") {
    outcome.stub_mode =
        outcome.ResultCode() == result::kSuccess && ApplAccess::Core(appl).thread().stub_mode;
    workbench.SeedLaunchedApplication(!invocation.logged_out);
  }

  if (invocation.json) {
    PrintJson(outcome, out);
  } else if (outcome.failure) {
    const CallFailure& failure = *outcome.failure;
    out.flush();
    err << "orvactl: " << command.member << ": automation error " << ErrorNumberText(failure.number)
        << " from " << failure.source << ": " << failure.description << std::endl;
  } else {
    PrintTable(outcome, out);
  }
  if (outcome.failure) return exit_status::kAutomationError;
  if (outcome.stub_mode) return exit_status::kOtherResult;
  return outcome.Succeeded() ? exit_status::kSuccess : exit_status::kOtherResult;
}

// A single command: the application runs already (natively: is started), and one Appl attaches
// and calls.
int RunMember(const Invocation& invocation, Workbench& workbench, std::ostream& out,
              std::ostream& err, StatusLine& status) {
  const bool attaches_itself = invocation.found->member == "InitApplication";
  if (!attaches_itself) workbench.StartApplication(!invocation.logged_out);
  const auto made = ApplAccess::Make(workbench.Platform());
  return RunCall(invocation, workbench, *made, !attaches_itself, out, err, status);
}

// `orvactl shell`: one Appl object for every line. Each line is read as a command line of its
// own, by the same parser; the shell's --json and --logged-out hold for every line.
int RunShell(const Invocation& shell, Workbench& workbench, const LineReader& read_line,
             std::ostream& out, std::ostream& err, StatusLine& status) {
  workbench.StartApplication(!shell.logged_out);
  const auto made = ApplAccess::Make(workbench.Platform());
  bool attached = false;
  int worst = exit_status::kSuccess;
  size_t number = 0;
  while (const std::optional<std::string> line =
             read_line ? read_line("orvactl> ") : std::nullopt) {
    ++number;
    int line_status = exit_status::kSuccess;
    ErrorReport report(shell.json, out, err, "line " + std::to_string(number) + ": ");
    try {
      std::vector<std::string> words = SplitShellLine(*line);
      if (words.empty()) continue;
      if (words.size() == 1 && (words[0] == "exit" || words[0] == "quit")) break;
      Invocation invocation = ParseInvocation(words);
      invocation.json = invocation.json || shell.json;
      invocation.logged_out = shell.logged_out;
      if (invocation.version) {
        out << "orvactl " << OrvactlVersion() << '\n';
      } else if (invocation.help) {
        PrintHelp(invocation, workbench, out);
      } else if (!invocation.found) {
        throw UsageError(invocation.command.empty()
                             ? "no command on the line"
                             : invocation.command + " does not run inside the shell");
      } else {
        const bool init = invocation.found->member == "InitApplication";
        line_status = RunCall(invocation, workbench, *made, !attached && !init, out, err, status);
        attached = true;
      }
    } catch (const UsageError& error) {
      line_status = report.Usage(error);
    }
    out.flush();
    if (!out) return exit_status::kOutputFailed;
    worst = std::max(worst, line_status);
    if (shell.stop_on_error && line_status != exit_status::kSuccess) break;
  }
  return worst;
}

int RunDoctorCommand(const Invocation& invocation, Workbench& workbench, std::ostream& out) {
  workbench.StartApplication(!invocation.logged_out);
  DoctorOptions options;
  options.simulated_desktop = workbench.Simulated();
  const std::vector<CheckLine> lines = RunDoctor(workbench.Platform(), workbench.Survey(), options);
  if (invocation.json) {
    PrintDoctorJson(lines, out, options.simulated_desktop);
  } else {
    PrintDoctorText(lines, out, options.simulated_desktop);
  }
  return AnyFailed(lines) ? exit_status::kOtherResult : exit_status::kSuccess;
}

// `orvactl support-bundle FILE.zip`: prints what went in and what was left out.
int RunSupportBundleCommand(const Invocation& invocation, Workbench& workbench, std::ostream& out,
                            std::ostream& err) {
  workbench.StartApplication(!invocation.logged_out);
  DoctorOptions options;
  options.simulated_desktop = workbench.Simulated();
  BundleReport report;
  try {
    report = WriteSupportBundle(workbench.Platform(), workbench.Survey(), options,
                                std::filesystem::path(invocation.file));
  } catch (const std::exception& failure) {
    err << "orvactl: support-bundle: " << failure.what() << '\n';
    return exit_status::kSetupFailed;
  }
  if (invocation.json) {
    out << "{\"file\":" << JsonString(invocation.file) << ",\"included\":[";
    for (size_t i = 0; i < report.included.size(); ++i) {
      out << (i == 0 ? "" : ",") << JsonString(report.included[i]);
    }
    out << "],\"left_out\":[";
    for (size_t i = 0; i < report.left_out.size(); ++i) {
      out << (i == 0 ? "" : ",") << JsonString(report.left_out[i]);
    }
    out << "]}\n";
    return exit_status::kSuccess;
  }
  out << "support-bundle: wrote " << invocation.file << " with " << report.included.size()
      << " files:\n";
  for (const std::string& line : report.included) out << "  " << line << '\n';
  if (!report.left_out.empty()) {
    out << "left out:\n";
    for (const std::string& line : report.left_out) out << "  " << line << '\n';
  }
  return exit_status::kSuccess;
}

int PrintHelp(const Invocation& invocation, Workbench& workbench, std::ostream& out) {
  if (invocation.found) {
    PrintCommandHelp(out, *invocation.found);
  } else if (invocation.command == kDoctorCommand) {
    PrintDoctorHelp(out);
  } else if (invocation.command == kSupportBundleCommand) {
    PrintSupportBundleHelp(out);
  } else if (invocation.command == kDemoCommand) {
    PrintDemoHelp(out, workbench.Description());
  } else if (invocation.command == kShellCommand) {
    PrintShellHelp(out, workbench.Description());
  } else {
    PrintOverview(out, workbench.Description());
  }
  return exit_status::kSuccess;
}

int Dispatch(std::span<const std::string> args, std::ostream& out, std::ostream& err,
             const WorkbenchFactory& make_workbench, bool err_is_terminal,
             const LineReader& read_line) {
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
    if (invocation.command == kSupportBundleCommand) {
      return RunSupportBundleCommand(invocation, *workbench, out, err);
    }
    if (invocation.command == kDemoCommand && invocation.json) {
      return report.Usage(UsageError(
          "demo is a guided session to read and has no JSON form; for JSON lines, run the calls "
          "with orvactl --json shell"));
    }
    StatusLine status(err, err_is_terminal);
    MessageBoxesToStream boxes(*workbench->Platform(), status);
    if (invocation.command == kShellCommand) {
      return RunShell(invocation, *workbench, read_line, out, err, status);
    }
    if (!invocation.found) return RunDemo(*workbench, out, err, &status);
    return RunMember(invocation, *workbench, out, err, status);
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
               const WorkbenchFactory& make_workbench, bool err_is_terminal,
               const LineReader& read_line) {
  const int status = Dispatch(args, out, err, make_workbench, err_is_terminal, read_line);
  // Whatever was shown must have arrived: a full disk or a closed pipe is a failure too.
  out.flush();
  if (!out) {
    err << "orvactl: cannot write to standard output\n";
    return exit_status::kOutputFailed;
  }
  return status;
}

}  // namespace orvabridge::orvactl
