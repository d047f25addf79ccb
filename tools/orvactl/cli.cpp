#include "appl/appl_access.h"
#include "cli.h"

#include "call.h"
#include "demo.h"
#include "help.h"
#include "invocation.h"
#include "report.h"
#include "result_codes.h"

namespace orvabridge::orvactl {
namespace {

// Message boxes of the library become lines on the error stream while a command runs: a command
// line has no one to press OK.
class MessageBoxesToStream {
 public:
  MessageBoxesToStream(platform::Platform& platform, std::ostream& err) : platform_(platform) {
    platform_.System().SetMessageBoxHandler([&err](const platform::MessageBoxRequest& box) {
      std::string text = box.text;
      for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
        text.replace(at, 2, " / ");
      }
      err << "[message box] " << text << '\n';
      return platform::kIdOk;
    });
  }
  ~MessageBoxesToStream() { platform_.System().SetMessageBoxHandler(nullptr); }
  MessageBoxesToStream(const MessageBoxesToStream&) = delete;
  MessageBoxesToStream& operator=(const MessageBoxesToStream&) = delete;

 private:
  platform::Platform& platform_;
};

// A host attaches before anything else; "NoLaunch" only looks for a running application.
void Attach(Appl& appl, std::ostream& err) {
  std::string name;
  std::string version = "NoLaunch";
  const int32_t code = appl.InitApplication(name, version);
  if (code != result::kSuccess) {
    err << "orvactl: not attached (InitApplication: " << code << ", "
        << ResultMeaning("InitApplication", code) << "); the call runs anyway\n";
  }
}

int RunMember(const Invocation& invocation, Workbench& workbench, std::ostream& out,
              std::ostream& err) {
  const CommandSpec& command = *invocation.found;
  const bool attaches_itself = command.member == "InitApplication";
  if (!attaches_itself) workbench.StartApplication(!invocation.logged_out);

  const auto made = ApplAccess::Make(workbench.Platform());
  Appl& appl = *made;
  if (!attaches_itself) Attach(appl, err);
  CallOutcome outcome = Call(appl, command, invocation.values);
  if (attaches_itself) workbench.SeedLaunchedApplication(!invocation.logged_out);

  if (invocation.json) {
    PrintJson(outcome, out);
  } else {
    PrintTable(outcome, out);
  }
  if (outcome.failure) return exit_status::kAutomationError;
  return outcome.Succeeded() ? exit_status::kSuccess : exit_status::kOtherResult;
}

}  // namespace

int RunOrvactl(std::span<const std::string> args, std::ostream& out, std::ostream& err,
               const WorkbenchFactory& make_workbench) {
  Invocation invocation;
  try {
    invocation = ParseInvocation(args);
  } catch (const UsageError& error) {
    err << "orvactl: " << error.what() << '\n';
    return exit_status::kUsage;
  }

  try {
    std::unique_ptr<Workbench> workbench = make_workbench();
    if (invocation.command.empty()) {
      PrintOverview(invocation.help ? out : err, workbench->Description());
      return invocation.help ? exit_status::kSuccess : exit_status::kUsage;
    }
    if (invocation.help) {
      if (invocation.found) {
        PrintCommandHelp(out, *invocation.found);
      } else {
        PrintDemoHelp(out, workbench->Description());
      }
      return exit_status::kSuccess;
    }
    MessageBoxesToStream boxes(*workbench->Platform(), err);
    if (!invocation.found) return RunDemo(*workbench, out, err);
    return RunMember(invocation, *workbench, out, err);
  } catch (const AutomationError& error) {
    // Making the Appl object itself failed.
    err << "orvactl: automation error " << error.number() << " (" << error.source()
        << "): " << error.description() << '\n';
    return exit_status::kAutomationError;
  } catch (const std::exception& error) {
    err << "orvactl: cannot set up: " << error.what() << '\n';
    return exit_status::kSetupFailed;
  }
}

}  // namespace orvabridge::orvactl
