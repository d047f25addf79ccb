#include "relay_cli.h"

#include <charconv>
#include <optional>

#include "appl/appl_access.h"
#include "environment/class_library.h"
#include "environment/settings.h"
#include "environment/startup_config.h"
#include "platform/program_control.h"
#include "platform/runtime_failure.h"
#include "relay.h"
#include "platform/nearest_word.h"

namespace orvabridge::relay {
namespace {

constexpr const char* kUsageText = R"(usage: orva-relay [options]

Replays the calls that Orvabridge wrote in text-out mode (on a terminal server) against the
imaging application of this workstation: each line of <folder><workstation>\<workstation>.TXT
once, in order. Results are written to the log; nobody waits for them.

  --folder F           the text-out folder (default: the OrvabridgeTXTOUT setting)
  --workstation W      whose file to replay (default: this computer's name)
  --once               replay what is there, then end
  --wait SECONDS       only with --once: how long to wait for the imaging application or
                       for a file in use before ending with status 3 (default 0)
  --retry-max SECONDS  longest wait between two tries of a line while the imaging
                       application does not answer (default 30; the first wait is 1 second)
  --log FILE           also append the log to FILE
  --install            start this relay, with these options, when the user logs on
  --uninstall          remove that autostart entry
  --version, --help

A folder that cannot be read ends a run with --once (status 1); a relay that runs on says so,
looks again every 5 seconds and says it again every 5 minutes until it can read it.

Lines that cannot be replayed as they stand (unknown member, wrong number of fields, a value
that holds " ; ") are set aside in <workstation>.rejected with the reason. Passwords are never
written to the relay's files or log. Ctrl-C ends the relay after the current line.

Exit status: 0 done, 1 the relay cannot work (its folder or files, text-out mode here, or a
build that runs only on the in-process desktop), 2 wrong command line, 3 (--once) lines remain.
)";

// The options as people type them, for "did you mean". The option for tests is left out.
constexpr platform::KnownWord kOptions[] = {
    {"--folder", "--folder"},   {"--workstation", "--workstation"}, {"--once", "--once"},
    {"--wait", "--wait"},       {"--retry-max", "--retry-max"},     {"--log", "--log"},
    {"--install", "--install"}, {"--uninstall", "--uninstall"},     {"--version", "--version"},
    {"--help", "--help"}};

// What a native build says instead of working: its in-process desktop is not this machine.
constexpr const char* kNoMachine =
    "a Windows program: this build runs only on the in-process desktop, which has none of this "
    "machine's folders, registry or imaging application, so it does nothing here";

struct CommandLine {
  RelayOptions options;
  std::optional<std::string> log_file;
  std::optional<size_t> end_abruptly_after;
  bool install = false, uninstall = false, help = false, version = false;
  bool folder_given = false, workstation_given = false, wait_given = false;
  std::vector<std::string> autostart_arguments;  // what --install writes after the program
};

class UsageProblem : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

long long Number(const std::string& option, const std::string& text, long long most) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0 || value > most) {
    throw UsageProblem(option + ": \"" + text + "\" is not a whole number from 0 to " +
                       std::to_string(most));
  }
  return value;
}

CommandLine Parse(const std::vector<std::string>& args) {
  CommandLine line;
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& word = args[k];
    auto value = [&]() -> const std::string& {
      if (k + 1 >= args.size()) throw UsageProblem(word + " needs a value");
      return args[++k];
    };
    auto keep = [&](const std::string& option, const std::string& given) {
      line.autostart_arguments.push_back(option);
      line.autostart_arguments.push_back(given);
    };
    if (word == "--folder") {
      line.options.folder = value();
      line.folder_given = true;
      keep(word, line.options.folder);
    } else if (word == "--workstation") {
      line.options.workstation = value();
      line.workstation_given = true;
      keep(word, line.options.workstation);
    } else if (word == "--once") {
      line.options.once = true;
    } else if (word == "--wait") {
      line.options.give_up_after = std::chrono::seconds(Number(word, value(), 86400));
      line.wait_given = true;
    } else if (word == "--retry-max") {
      const std::string& given = value();
      line.options.longest_retry = std::chrono::seconds(std::max(1LL, Number(word, given, 3600)));
      keep(word, given);
    } else if (word == "--log") {
      line.log_file = value();
      keep(word, *line.log_file);
    } else if (word == "--end-abruptly-after") {  // for tests of crash recovery
      line.end_abruptly_after = static_cast<size_t>(Number(word, value(), 1000000000));
    } else if (word == "--install") {
      line.install = true;
    } else if (word == "--uninstall") {
      line.uninstall = true;
    } else if (word == "--help" || word == "-h" || word == "/?") {
      line.help = true;
    } else if (word == "--version") {
      line.version = true;
    } else {
      const std::optional<std::string> meant = platform::Nearest(word, kOptions);
      throw UsageProblem("unknown option " + word +
                         (meant ? "; did you mean " + *meant + "?" : ""));
    }
  }
  if (line.wait_given && !line.options.once) {
    throw UsageProblem(
        "--wait applies only with --once: a relay that runs on waits for the imaging "
        "application and for files in use as long as it runs");
  }
  if (line.install && line.uninstall)
    throw UsageProblem("--install and --uninstall exclude each other");
  if (line.options.first_retry > line.options.longest_retry) {
    line.options.first_retry = line.options.longest_retry;
  }
  return line;
}

// The text-out folder that the library on this machine would use, or empty.
std::string ConfiguredFolder(platform::Platform& platform) {
  try {
    auto library = environment::CreateClassLibrary(platform.Reg(), platform.AnsiCodePage(),
                                                   platform.Databases());
    environment::InstallationInfo info;
    library->GetInstallationInfo(info);
    const std::string base = environment::SettingsBaseKey(info.vendor_key, info.application_key);
    environment::SettingsReader settings(platform.Reg(), platform.AnsiCodePage(), base);
    return environment::ConfiguredTextOutFolder(settings);
  } catch (const RuntimeFailure&) {
    return {};  // no class library: the folder must be given
  }
}

int Autostart(const CommandLine& line, platform::Platform& platform, std::ostream& out,
              std::ostream& err) {
  auto key = platform.Reg().CreateKey(platform::RegistryRoot::kCurrentUser, kRunKey, "",
                                      platform::kKeyCreate);
  if (!key) {
    err << "orva-relay: cannot open HKEY_CURRENT_USER\\" << kRunKey << "\n";
    return relay_exit::kCannotWork;
  }
  if (line.uninstall) {
    const platform::RegStatus status = key->DeleteValue(kAutostartValue);
    if (status == platform::RegStatus::kNotFound) {
      out << "orva-relay: no autostart entry to remove\n";
      return relay_exit::kDone;
    }
    if (status != platform::RegStatus::kOk) {
      err << "orva-relay: cannot remove the autostart entry\n";
      return relay_exit::kCannotWork;
    }
    out << "orva-relay: autostart entry removed\n";
    return relay_exit::kDone;
  }
  std::string command = QuoteArgument(platform::ExecutablePath());
  for (const std::string& word : line.autostart_arguments) command += " " + QuoteArgument(word);
  const std::string ansi = platform.AnsiCodePage().ToAnsi(command) + '\0';
  if (key->SetValue(kAutostartValue, platform::kRegSz,
                    std::as_bytes(std::span(ansi.data(), ansi.size()))) !=
      platform::RegStatus::kOk) {
    err << "orva-relay: cannot write the autostart entry\n";
    return relay_exit::kCannotWork;
  }
  out << "orva-relay: starts at logon as: " << command << "\n";
  return relay_exit::kDone;
}

}  // namespace

std::string QuoteArgument(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) return word;
  // Backslashes count only before a quote: there, each is doubled, and the quote escaped.
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (const char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

int RunRelay(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             const std::function<std::shared_ptr<platform::Platform>()>& make_platform) {
  CommandLine line;
  try {
    line = Parse(args);
  } catch (const UsageProblem& problem) {
    err << "orva-relay: " << problem.what() << "\n(orva-relay --help lists the options)\n";
    return relay_exit::kUsage;
  }
  if (line.help) {
    out << kUsageText;
    return relay_exit::kDone;
  }
  if (line.version) {
    out << "orva-relay " << ORVABRIDGE_VERSION << "\n";
    return relay_exit::kDone;
  }
  if (!make_platform) {
    err << "orva-relay: " << kNoMachine << "\n";
    return relay_exit::kCannotWork;
  }
  const std::shared_ptr<platform::Platform> platform = make_platform();
  if (line.install || line.uninstall) return Autostart(line, *platform, out, err);

  if (!line.folder_given) line.options.folder = ConfiguredFolder(*platform);
  if (line.options.folder.empty()) {
    err << "orva-relay: no text-out folder: give --folder, or set OrvabridgeTXTOUT\n";
    return relay_exit::kUsage;
  }
  if (!line.workstation_given) line.options.workstation = platform->System().ComputerName();
  if (line.options.workstation.empty() || !environment::IsSafeFileName(line.options.workstation)) {
    err << "orva-relay: \"" << line.options.workstation << "\" cannot be a workstation's name\n";
    return relay_exit::kUsage;
  }

  std::unique_ptr<platform::AppendStream> log_file;
  if (line.log_file) {
    try {
      log_file = platform->Files().OpenAppend(*line.log_file, /*shared=*/true);
    } catch (const RuntimeFailure& failure) {
      err << "orva-relay: cannot write the log " << *line.log_file << ": " << failure.description()
          << "\n";
      return relay_exit::kCannotWork;
    }
  }
  platform::SystemServices& system = platform->System();
  auto log = [&](const std::string& event) {
    const std::string text = platform::LocalTimeText(system.LocalNow()) + " " + event;
    err << text << std::endl;
    if (log_file) {
      const std::string ansi = platform->AnsiCodePage().ToAnsi(text) + "\r\n";
      try {
        log_file->Write(std::as_bytes(std::span(ansi.data(), ansi.size())));
      } catch (const RuntimeFailure&) {
        // The log is for people; the replay goes on without it.
      }
    }
  };
  // A box would wait for a click that nobody at a relay gives: its text goes to the log.
  system.SetMessageBoxHandler([&](const platform::MessageBoxRequest& box) {
    log("message box: " + box.text);
    return platform::kIdOk;
  });

  const std::unique_ptr<Appl> appl = ApplAccess::Make(platform);
  if (appl->ToFile()) {
    // Replaying here would only write every call into a text-out file again.
    log("this workstation is in text-out mode itself (OrvabridgeTXTOUT is set and it is not in "
        "TxtOutExceptions); the relay must run where the imaging application runs");
    return relay_exit::kCannotWork;
  }
  if (line.end_abruptly_after) {
    line.options.after_line = [limit = *line.end_abruptly_after](size_t dealt_with) {
      if (dealt_with >= limit) platform::EndProcessAbruptly(9);
    };
  }
  platform::WatchStopRequests();
  Relay relay(line.options, *platform, *appl, log);
  log("relaying " + Inbox(platform->Files(), platform->AnsiCodePage(), system, line.options.folder,
                          line.options.workstation)
                        .LivePath());
  const RelayEnd end = relay.Run();
  const std::string counts = std::to_string(relay.replayed()) + " replayed, " +
                             std::to_string(relay.set_aside()) + " set aside";
  switch (end) {
    case RelayEnd::kDone:
      log("ended: " + counts);
      return relay_exit::kDone;
    case RelayEnd::kWaiting:
      log("ended with lines left for a later run: " + counts);
      return relay_exit::kWaiting;
    case RelayEnd::kCannotWork:
      break;
  }
  log("ended, unable to work: " + counts);
  return relay_exit::kCannotWork;
}

}  // namespace orvabridge::relay
