#include "help.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "calls/result_codes.h"
#include "interface/members.h"
#include "invocation.h"
#include "output/text_layout.h"

namespace orvabridge::orvactl {
namespace {

void Wrapped(std::ostream& out, std::string_view text, size_t indent) {
  out << FillWords(text, indent, 92);
}

std::string Padded(std::string_view text, size_t width) {
  std::string padded(text);
  if (padded.size() < width) padded.append(width - padded.size(), ' ');
  return padded + "  ";
}

std::string_view FlowWord(const ParamEntry& param) {
  switch (param.flow) {
    case Flow::kIn:
      return "in";
    case Flow::kOut:
      return "out";
    case Flow::kInOut:
      return "in/out";
  }
  return "";
}

// The enumeration words an option takes besides numbers; the interface's own names are
// accepted too but not listed.
std::string AliasWords(const ParamEntry& param) {
  std::string words;
  for (const EnumAlias& alias : param.aliases) {
    if (std::any_of(alias.word.begin(), alias.word.end(),
                    [](char c) { return c >= 'A' && c <= 'Z'; })) {
      continue;
    }
    words += (words.empty() ? "" : ", ") + std::string(alias.word);
  }
  return words;
}

}  // namespace

void PrintOverview(std::ostream& out, const std::string& workbench) {
  out << "orvactl - drive the Orvanta imaging application through Orvabridge\n\n"
         "Usage: orvactl [--json] <command> [--option value ...]\n"
         "       orvactl help <command>      (or: orvactl <command> --help)\n"
         "       orvactl doctor              what keeps the imaging application from answering\n"
         "       orvactl support-bundle FILE.zip  one file for a support ticket\n"
         "       orvactl shell [--stop-on-error]  many commands through one Appl object\n"
         "       orvactl demo\n\n";
  Wrapped(out, workbench, 0);
  out << "\nCommands (one per member of Appl):\n";
  size_t width = 0;
  for (const CommandEntry& command : Commands()) width = std::max(width, command.name.size());
  for (const CommandEntry& command : Commands()) {
    out << "  " << Padded(command.name, width) << Padded(command.member, 23) << command.summary
        << '\n';
  }
  out << "  " << Padded("doctor", width) << Padded("", 23)
      << "check this machine's set-up, one line per check (changes nothing)\n";
  out << "  " << Padded("support-bundle", width) << Padded("", 23)
      << "write doctor's report, incidents, versions and settings into FILE.zip\n";
  out << "  " << Padded("shell", width) << Padded("", 23)
      << "read commands from the terminal, a file or a pipe, all through one Appl object\n";
  out << "  " << Padded("demo", width) << Padded("", 23)
      << "a guided session: every kind of call, then text-out mode\n\n";
  out << "Global options (anywhere before \"--\"):\n"
         "  --json        print one JSON object instead of a table (errors too)\n"
         "  --logged-out  the simulated application starts with nobody logged in\n"
         "  --help, -h    this text, or a command's own\n"
         "  --version     orvactl's version\n"
         "  --            ends the options: the words after it are the values of the command's\n"
         "                required parameters, in order, even when they begin with \"-\"\n\n";
  out << "Result codes: 1 success, 0 nothing found, -1 hidden form not loaded, -2 no reply "
         "window,\n"
         "  -3 attach message not registered (init: no imaging application answered), -4 no\n"
         "  target window, -5 required argument empty,\n"
         "  -6 no reply in time, -7 unexpected reply (or none in time), -10 image operation\n"
         "  failed, -12 nobody logged in. Some commands use a code their own way; see their "
         "--help.\n\n";
  out << "Exit status: 0 the call succeeded (result 1; for find-images 0, for worklist 1 or\n"
         "  more; members without a result code: no error), 1 another result, 2 wrong usage,\n"
         "  3 an automation error (its number, source and description are printed), 4 orvactl\n"
         "  could not set up, 5 standard output could not be written. `init` in stub mode and\n"
         "  a `doctor` with a FAIL line end with 1.\n";
}

namespace {

// What the member does before it sends, how long it waits and what a failure inside it becomes,
// from the member table's columns.
void PrintHowItRuns(std::ostream& out, const api::Member& member) {
  std::string text;
  if (member.guards == api::Guards::kAll || member.guards == api::Guards::kAllButSession) {
    text += "Before it sends: attaches again when no imaging application is attached (-4)";
    if (member.guards == api::Guards::kAll) text += ", asks whether someone is logged in (-12)";
    if (!member.required.empty())
      text += ", checks that " + std::string(member.required) + " is not empty (-5)";
    text += ", and checks its own window and message (-1, -2, -3). ";
  }
  if (member.waits_seconds > 0) {
    text += "Waits up to " + std::to_string(static_cast<int>(member.waits_seconds)) +
            " seconds for the imaging application. ";
  }
  switch (member.on_failure) {
    case api::OnFailure::kRaises:
    case api::OnFailure::kRaisesAsMethod:
      text += "A failure inside it is raised as an automation error (exit status 3).";
      break;
    case api::OnFailure::kReturnsImageFailure:
      text += "A failure inside it returns -8.";
      break;
    case api::OnFailure::kBoxThenResult:
      text += "A failure inside it shows a message box, then returns its failure result.";
      break;
    case api::OnFailure::kReturnsNumber:
      text += "A failure inside it returns the failure's number.";
      break;
    case api::OnFailure::kBoxThenGoesOn:
      text += "A step that fails shows a message box; the next step still runs.";
      break;
    case api::OnFailure::kCannotFail:
      break;
  }
  if (text.empty()) return;
  out << '\n';
  Wrapped(out, text, 0);
}

}  // namespace

void PrintCommandHelp(std::ostream& out, const CommandEntry& command) {
  out << "orvactl " << command.name << " - " << command.member << ": " << command.summary
      << "\n\nUsage:\n";
  std::vector<std::string> usage{"orvactl", "[--json]", std::string(command.name)};
  for (const ParamEntry& param : command.params) {
    if (!param.TakesOption()) continue;
    const std::string option =
        "--" + std::string(param.option) + ' ' + std::string(TypePlaceholder(param.type));
    usage.push_back(IsRequired(param) ? option : '[' + option + ']');
  }
  out << FillLines(usage, 2, 92);

  size_t option_width = 0;
  size_t name_width = 0;
  for (const ParamEntry& param : command.params) {
    name_width = std::max(name_width, param.name.size());
    if (param.TakesOption()) {
      option_width =
          std::max(option_width, param.option.size() + 3 + TypePlaceholder(param.type).size());
    }
  }
  bool any_option = false;
  for (const ParamEntry& param : command.params) {
    if (!param.TakesOption()) continue;
    if (!any_option) out << "\nOptions (parameter, direction, meaning):\n";
    any_option = true;
    const std::string option =
        "--" + std::string(param.option) + ' ' + std::string(TypePlaceholder(param.type));
    out << "  " << Padded(option, option_width) << Padded(param.name, name_width)
        << Padded(FlowWord(param), 6) << param.help;
    if (const std::string words = AliasWords(param); !words.empty()) {
      out << " [" << words << "]";
    }
    if (param.optional) out << " (optional)";
    out << '\n';
  }
  bool any_output = false;
  for (const ParamEntry& param : command.params) {
    if (param.flow != Flow::kOut) continue;
    if (!any_output) out << "\nOutputs:\n";
    any_output = true;
    out << "  " << Padded(param.name, name_width) << param.help << '\n';
  }
  if (any_option) {
    out << "\nA required option must be given; an empty text (--option \"\") is passed on as it "
           "is. An\nomitted optional input is passed as omitted, any other omitted one as empty "
           "or 0.\nA text longer than its field is cut there; orvactl warns when it is.\n";
  }
  if (std::any_of(command.params.begin(), command.params.end(),
                  [](const ParamEntry& param) { return param.IsOutput(); })) {
    out << "Outputs (and in/out parameters) are always collected and shown after the call.\n";
  }

  switch (command.returns) {
    case Returns::kText:
      out << "\nReturns a text.\n";
      return;
    case Returns::kBool:
      out << "\nReturns true or false.\n";
      return;
    case Returns::kNothing:
      out << "\nReturns nothing.\n";
      return;
    case Returns::kResultCode:
      break;
  }
  const api::Member* member = api::FindMemberByName(command.member);
  if (member != nullptr) PrintHowItRuns(out, *member);
  const auto results = DocumentedResults(command.member);
  if (results.empty()) return;
  out << "\nResults:\n";
  for (const auto& [code, meaning] : results) {
    out << "  " << Padded(std::to_string(code), 4) << meaning << '\n';
  }
  if (member != nullptr && member->other_results == api::OtherResults::kErrorNumber) {
    out << "  any other value: the number of the failure that stopped it\n";
  }
}

void PrintSupportBundleHelp(std::ostream& out) {
  out << "orvactl support-bundle - one file for a support ticket\n\n"
         "Usage: orvactl [--json] support-bundle FILE.zip\n\n";
  Wrapped(out,
          "Writes FILE.zip with doctor's checks as JSON (doctor.json), the flight recorder's "
          "incident files (incidents/), the trace files the settings name (traces/), the "
          "versions and bitness of every installed part in both registry views (versions.txt), "
          "the settings with passwords masked (settings.txt) and a README.txt saying what is in "
          "it, then prints what it included and what it left out. Trace files hold patient data "
          "and go in only where the practice switched values on (FlightRecorderValues = 1).",
          0);
}

void PrintDoctorHelp(std::ostream& out) {
  out << "orvactl doctor - what keeps the imaging application from answering\n\n"
         "Usage: orvactl [--json] doctor\n\n";
  Wrapped(out,
          "Checks, one line each, with OK, WARN or FAIL and for each line that is not OK what to "
          "do: 1 this process's bitness and the registry view it reads; 2 the class library's "
          "key HKLM\\Software\\Orvaclass in the 32-bit and the 64-bit view; 3 the settings "
          "key and text-out mode (its folder, the workstation's exception); 4 the windows that "
          "look like the imaging application, and whether they respond; 5 an attach with "
          "\"NoLaunch\"; 6 who is logged in, and whether the application's version answers "
          "session queries; 7 the automation server's registration for 32- and 64-bit hosts "
          "(class, ProgIDs, DLL and its machine type, type library); 8 the database connection "
          "string, opened read-only; 9 the trace (ORVABRIDGE_TRACE or \"Trace\" in the "
          "settings key); 10 the flight recorder's incidents of the last 7 days (time, member, "
          "result and the request that ended it).",
          0);
  out << '\n';
  Wrapped(out,
          "doctor only looks: it writes nothing to the registry or the disk and starts nothing. "
          "Exit status 0 when no line FAILs, 1 otherwise. Run it with the bitness of the host "
          "in question: a 32-bit orvactl.exe sees what 32-bit hosts see.",
          0);
}

void PrintDemoHelp(std::ostream& out, const std::string& workbench) {
  out << "orvactl demo - a guided session\n\nUsage: orvactl demo\n\n";
  Wrapped(out,
          "Attaches to the imaging application (launching it), shows the session, logs the demo "
          "user in, adds, finds and shows a patient, reads the current patient, searches and "
          "fetches an image, reads the selected image and image card, sends a worklist query, "
          "reads the responsible person and the two database values, and logs out. Then it "
          "switches text-out mode on, makes a few calls with a new Appl and prints the text "
          "file they were written to. Each call is one row: its result and a line saying what "
          "it shows. A member that fails with an automation error shows it as its row, and the "
          "tour goes on.",
          0);
  out << '\n';
  Wrapped(out,
          "What it touches: the imaging application it attaches to (launching the installed one "
          "when none runs) with the demo user's login and a new patient 2001; and the text-out "
          "file below %TEMP%\\OrvactlTextOut. Text-out mode runs in an installation of the "
          "demo's own (vendor \"OrvactlDemo\"), held in memory: the registry is never written, "
          "so the workstation's own text-out setting stays as it is, whenever and however the "
          "demo ends.",
          0);
  out << '\n';
  Wrapped(out, workbench, 0);
}

void PrintShellHelp(std::ostream& out, const std::string& workbench) {
  out << "orvactl shell - many commands through one Appl object\n\n"
         "Usage: orvactl [--json] [--logged-out] shell [--stop-on-error]\n"
         "       orvactl shell < calls.txt\n\n";
  Wrapped(out,
          "Reads one command a line, written as on the command line without \"orvactl\" "
          "(find-patient --pat-id 1001), and runs each through the same Appl object, so that a "
          "login, a find and a show happen in one session, as in a host. From a terminal the "
          "line can be edited and earlier lines come back with the arrow keys; from a file or "
          "a pipe (UTF-8) the lines are read as they are. Words are separated by blanks; \"...\" "
          "or '...' keeps blanks in a word; a line whose first word begins with # is a "
          "comment; exit or quit ends the shell, as does the end of the input. The first call "
          "attaches without launching, unless it is init.",
          0);
  out << '\n';
  Wrapped(out,
          "Each result is printed as the single command prints it; with --json one JSON object "
          "a line. A line that fails (wrong usage, an automation error, another result) is "
          "reported with its line number and the shell goes on, unless --stop-on-error is "
          "given. Exit status: the worst of the lines (0 when every line succeeded).",
          0);
  out << '\n';
  Wrapped(out, workbench, 0);
}

}  // namespace orvabridge::orvactl
